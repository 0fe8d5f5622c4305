// A text the test module's resource script names by macro, as a script
// names a header's constant.
#pragma once

#define TESTMODULE_HEADER_TEXT "from a header"
