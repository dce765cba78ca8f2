#pragma once
#include "draw/pressstate.h"

#include <QString>

// What the draw engine shows and asks of the main screen. The screen shows
// exactly what it is told; tests and tools supply their own.
class DrawView {
public:
    virtual ~DrawView() = default;
    // A code on the six digits and a line on the winner line.
    virtual void showCandidate(const QString &code, const QString &line) = 0;
    // Nobody on the digits and the winner line: a press ended without a
    // stored winner, or the winner shown could not be stored.
    virtual void clearCandidate() = 0;
    virtual void addBoardLabel(const QString &code, const QString &name, const QString &factory, int n) = 0;
    // Takes label n off the board: its winner could not be stored.
    virtual void removeBoardLabel(int n) = 0;
    virtual void clearBoard() = 0;
    virtual void setDescription(const QString &text) = 0;
    virtual void playEffect(const QString &fileName) = 0;
    virtual void stopEffect() = 0;
    // The press has changed its state: the commands open or close by it.
    virtual void pressStateChanged(PressState state) = 0;
    // A notice with the caption "系统提示" and an information icon.
    virtual void notify(const QString &text) = 0;
};

// Shows nothing; for tools and benchmarks that run presses without a screen.
class SilentDrawView : public DrawView {
public:
    void showCandidate(const QString &, const QString &) override {}
    void clearCandidate() override {}
    void addBoardLabel(const QString &, const QString &, const QString &, int) override {}
    void removeBoardLabel(int) override {}
    void clearBoard() override {}
    void setDescription(const QString &) override {}
    void playEffect(const QString &) override {}
    void stopEffect() override {}
    void pressStateChanged(PressState) override {}
    void notify(const QString &) override {}
};
