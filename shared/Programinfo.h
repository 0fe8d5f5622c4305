// What the two windowed programs say about themselves: the --version line
// and the About text. Both name the product, Tidewash, beside the windows'
// own captions, so that a person who found "TWS Utility" on the screen
// knows which program it is and what it does.
#pragma once

#include <string>

enum class TProgram { Wizard, Configurator };

// "TWSUtil (Tidewash) 1.0.0": the program file, the product, the version.
std::string VersionLine(TProgram program);

// The window's caption with the product and version, then what the program
// does and which program does the rest, as a few short paragraphs.
std::string AboutText(TProgram program);
