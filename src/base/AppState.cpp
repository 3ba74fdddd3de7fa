#include "base/AppState.h"

#include "base/Prefs.h"

namespace brisklet {

AppState::AppState(QObject* parent) : QObject(parent) {
    commandsRun_ = Prefs::intValue(Prefs::Key::commandsRun);
    setupsRun_ = Prefs::intValue(Prefs::Key::setupsRun);
    secondsSaved_ = storedSecondsSaved();
}

void AppState::setListening(bool listening) {
    if (listening == isListening_)
        return;
    isListening_ = listening;
    emit isListeningChanged();
}

int AppState::storedSecondsSaved() {
    return secondsSaved(Prefs::intValue(Prefs::Key::commandsRun), Prefs::intValue(Prefs::Key::setupsRun));
}

void AppState::recordCommand() {
    Prefs::sync();
    Prefs::increment(Prefs::Key::commandsRun);
    Prefs::sync();
    refresh();
}

void AppState::refresh() {
    setCounters(Prefs::intValue(Prefs::Key::commandsRun), Prefs::intValue(Prefs::Key::setupsRun),
                storedSecondsSaved());
}

void AppState::setCounters(int commands, int setups, int saved) {
    if (commands != commandsRun_) {
        commandsRun_ = commands;
        emit commandsRunChanged();
    }
    if (setups != setupsRun_) {
        setupsRun_ = setups;
        emit setupsRunChanged();
    }
    if (saved != secondsSaved_) {
        secondsSaved_ = saved;
        emit secondsSavedChanged();
    }
}

} // namespace brisklet
