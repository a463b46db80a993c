// Any colour text is read as a colour and written back.
#include "fuzz_entry.h"

VORLANE_FUZZ_TARGET("html_colors")
