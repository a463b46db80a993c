// Page bytes are read into the editor and written back.
#include "fuzz_entry.h"

VORLANE_FUZZ_TARGET("document_codec")
