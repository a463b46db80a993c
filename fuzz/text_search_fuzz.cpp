// Case-blind search of a text for a needle: the reported matches select exactly the needle.
#include "fuzz_entry.h"

VORLANE_FUZZ_TARGET("text_search")
