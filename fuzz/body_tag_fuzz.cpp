// Any page text goes through the BODY tag reading and rewriting of Web Page Properties.
#include "fuzz_entry.h"

VORLANE_FUZZ_TARGET("body_tag")
