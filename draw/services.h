#pragma once
#include "base/settings.h"

#include <QString>

class Database;
class Dialogs;
class Pacer;
class RandomPosition;
class SoundPlayer;

// What the main screen and its screens are given by main() (or by a test):
// the folder of the executable, the settings in memory and the services.
struct Services {
    QString exeFolder; // with trailing separator
    Settings settings;
    Database *db = nullptr;
    Dialogs *dialogs = nullptr;
    Pacer *pacer = nullptr;
    RandomPosition *random = nullptr;
    SoundPlayer *sound = nullptr;
};
