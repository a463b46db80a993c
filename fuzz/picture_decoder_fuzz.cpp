// Any bytes are decoded as a JPEG, a bitmap and an icon.
#include "fuzz_entry.h"

VORLANE_FUZZ_TARGET("picture_decoder")
