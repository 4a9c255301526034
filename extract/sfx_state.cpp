#include "extract/sfx_state.h"

SfxState sfx;
