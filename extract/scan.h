// The one routine that walks the attached archive: listing its entries into the file list, or
// extracting the selected ones below sfx.extractPath.
#pragma once

#include <cstdint>
#include <string>

#include "extract/scan_view.h"

// ListMode fills the file list; ExtractMode writes the selected entries; TestMode decodes and
// checks them like an extraction but writes nothing.
enum ScanMode : uint8_t { ExtractMode = 0, ListMode = 1, TestMode = 2 };

// Runs a listing or an extraction run to its end. A scan started while another is under way
// (from a message dispatched inside it) does nothing.
void ScanArchive(ScanView& view, ScanMode mode);
