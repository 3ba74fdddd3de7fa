#pragma once

#include <QString>

namespace brisklet {

// What the heads-up display says about the current request.
struct HUDState {
    enum class Kind {
        listening, // the microphone is open; text = the partial transcript so far
        heard,     // a phrase was recognised and is about to be dispatched
        executing, // a plan is running; text = a progress line
        done,      // the request completed; text = a result line
        miss,      // nothing matched; text = what was heard (may be empty)
        info,      // a notice or a failure message
        confirm,   // the user must approve a plan; text = the question
    };
    Kind kind = Kind::listening;
    QString text;

    static HUDState listening(const QString& partial = {}) { return {Kind::listening, partial}; }
    static HUDState heard(const QString& text) { return {Kind::heard, text}; }
    static HUDState executing(const QString& text) { return {Kind::executing, text}; }
    static HUDState done(const QString& text) { return {Kind::done, text}; }
    static HUDState miss(const QString& text) { return {Kind::miss, text}; }
    static HUDState info(const QString& text) { return {Kind::info, text}; }
    static HUDState confirm(const QString& question) { return {Kind::confirm, question}; }

    bool operator==(const HUDState&) const = default;
};

const char* kindName(HUDState::Kind kind);

} // namespace brisklet
