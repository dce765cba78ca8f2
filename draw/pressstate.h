#pragma once
#include <QString>
#include <QStringList>

// The one state of a press, kept by the draw engine: the stage, the console
// and every command ask it what may happen now, instead of reading flags.
//   Idle     no press: every command is open
//   Rolling  the digits roll until the stop press (Enter)
//   Drawing  the winners of the press are drawn one after the other
//   Ending   the press ends after the winner being drawn (Esc, or the item
//            is full)
enum class PressState { Idle, Rolling, Drawing, Ending };

// The keys that act on the stage and, with two screens, on the console.
enum class PressKey { Enter, Escape, F1, F2, F7, F8, F9, F10, F11 };

// What a key does in a state.
enum class PressCommand {
    None,
    Start, // the roll begins
    Stop, // the roll stops and the winners are drawn
    EndAfterWinner, // the press ends after the current winner
    AskExit, // the question "真的要退出系统吗？"
    Help, // the operator's guide
    NextScreen, // the stage to the next screen
    Designations, // F2: designations and exclusions (password)
    NewItem, // F8
    ChooseItem, // F9
    Settings, // F10
    Winners, // F11
};

PressCommand pressCommand(PressState state, PressKey key);

// The console's words for the state; `place` is the place being drawn (第N位).
QString pressStateText(PressState state, int place, bool boardHasWinners);
// The keys that do something in the state, with what they do ("Enter 开始").
QStringList pressKeysText(PressState state);
