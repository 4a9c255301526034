#include "extract/archive_walk.h"

#include "extract/archive_reader.h"
#include "extract/entry_extent.h"
#include "extract/local_header.h"
#include "extract/sfx_state.h"

bool StartWalk() {
  sfx.archiveBase = sfx.attachedAt;
  // Formed at run time through a volatile: an optimiser folds a plain "minus one" back into
  // the very literal that must not appear in the image.
  volatile uint32_t plusOne = LocalSignaturePlusOne;
  sfx.expectedSignature = plusOne - 1;
  SeekArchive(sfx.archiveBase);
  return sfx.filePos != -1;
}

bool SeekNextHeader(uint64_t headerPos) {
  if (sfx.entryEnd == 0 && sfx.streamed) FindStreamedEnd(headerPos);
  if (sfx.entryEnd == 0) FindSizedEnd(DataPosition(headerPos));
  SeekArchive(sfx.entryEnd);
  return sfx.filePos != -1;
}
