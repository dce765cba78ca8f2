#include "draw/pressstate.h"

using namespace Qt::StringLiterals;

PressCommand pressCommand(PressState state, PressKey key)
{
    // Moving the stage and reading the guide change no data: at any time.
    if (key == PressKey::F7)
        return PressCommand::NextScreen;
    if (key == PressKey::F1)
        return PressCommand::Help;
    switch (state) {
    case PressState::Idle:
        switch (key) {
        case PressKey::Enter:
            return PressCommand::Start;
        case PressKey::Escape:
            return PressCommand::AskExit;
        case PressKey::F2:
            return PressCommand::Designations;
        case PressKey::F8:
            return PressCommand::NewItem;
        case PressKey::F9:
            return PressCommand::ChooseItem;
        case PressKey::F10:
            return PressCommand::Settings;
        case PressKey::F11:
            return PressCommand::Winners;
        default:
            return PressCommand::None;
        }
    case PressState::Rolling:
        // Esc does nothing while the digits roll: only Enter stops them.
        return key == PressKey::Enter ? PressCommand::Stop : PressCommand::None;
    case PressState::Drawing:
        return key == PressKey::Escape ? PressCommand::EndAfterWinner : PressCommand::None;
    case PressState::Ending:
        return PressCommand::None;
    }
    return PressCommand::None;
}

QString pressStateText(PressState state, int place, bool boardHasWinners)
{
    switch (state) {
    case PressState::Idle:
        return boardHasWinners ? u"本轮结束"_s : u"准备就绪"_s;
    case PressState::Rolling:
        return u"滚动中"_s;
    case PressState::Drawing:
        return u"正在抽取第 %1 位"_s.arg(place);
    case PressState::Ending:
        return u"本轮结束"_s;
    }
    return {};
}

QStringList pressKeysText(PressState state)
{
    switch (state) {
    case PressState::Idle:
        return {u"Enter 开始"_s,    u"F8 设置奖项"_s, u"F9 当前奖项"_s, u"F10 系统设置"_s, u"F11 中奖名单"_s,
                u"F2 指定与排除"_s, u"F7 换显示屏"_s, u"F1 使用说明"_s, u"Esc 退出"_s};
    case PressState::Rolling:
        return {u"Enter 停止并抽取"_s, u"F7 换显示屏"_s, u"F1 使用说明"_s};
    case PressState::Drawing:
        return {u"Esc 抽完这一位后结束本轮"_s, u"F7 换显示屏"_s, u"F1 使用说明"_s};
    case PressState::Ending:
        return {u"F7 换显示屏"_s, u"F1 使用说明"_s};
    }
    return {};
}
