#pragma once
#include <QString>

// The executable's folder with its trailing separator, computed from the
// executable's own path (never from the working directory).
QString executableFolder();

// Asks the display to switch to width x height. Off Windows the display is
// left as it is and false is returned; nothing depends on the result.
bool SetDisplayMode(int width, int height);
