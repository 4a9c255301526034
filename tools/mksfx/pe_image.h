// The few facts of a Windows program's PE header that mksfx reads or writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr uint16_t MachineI386 = 0x14C;
constexpr uint16_t MachineAmd64 = 0x8664;

// Where the "PE\0\0" signature stands in the file's first bytes (the DOS header's e_lfanew),
// or 0 when those bytes are not the start of a Windows program.
size_t PeHeaderOffset(const uint8_t* head, size_t size);
// The machine type of the program whose first bytes these are, or 0 when they are not one.
uint16_t PeMachine(const uint8_t* head, size_t size);

// Writes the PE checksum of the whole file, everything behind the image included, into its
// header; Windows checks it for drivers only, but signature checkers and scanners compare it and
// take a wrong one for a file changed after it was built. Throws Fatal when the file cannot be
// read or rewritten.
void StampPeChecksum(const std::string& path);
