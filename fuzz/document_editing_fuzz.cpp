// A page of any encoding is edited at random and saved; the bytes around the edits stay.
#include "fuzz_entry.h"

VORLANE_FUZZ_TARGET("document_editing")
