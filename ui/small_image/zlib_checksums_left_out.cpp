// The stub inflates raw DEFLATE streams only (no zlib or gzip wrapper), for which zlib never
// computes an Adler-32 or a CRC-32 check value. Its inflate code still refers to both
// routines, and linking zlib's own would add their large tables to the image, so these
// stand-ins take their place; reaching one would mean a wrapped stream, which the stub never
// asks for.
#include <cstdlib>
#include <zlib.h>

extern "C" {
uLong ZEXPORT adler32(uLong, const Bytef*, uInt) { abort(); }
uLong ZEXPORT crc32(uLong, const Bytef*, uInt) { abort(); }
}
