#pragma once

#include <QString>

namespace brisklet::platform {

// The result of asking another program (over D-Bus or as a child process) to do
// something: it did (with its answer), it failed (with why), or the desktop refused
// to let us ask.
struct ScriptOutcome {
    enum class Kind { ok, failed, denied };
    Kind kind = Kind::failed;
    QString text; // the answer for ok, the reason for failed, empty for denied

    static ScriptOutcome ok(const QString& text = {}) { return {Kind::ok, text}; }
    static ScriptOutcome failed(const QString& message) { return {Kind::failed, message}; }
    static ScriptOutcome denied() { return {Kind::denied, {}}; }

    bool isOk() const { return kind == Kind::ok; }
    bool isDenied() const { return kind == Kind::denied; }
    bool operator==(const ScriptOutcome&) const = default;
};

} // namespace brisklet::platform
