#include "ui/home/HomePaneModel.h"

#include "base/AppState.h"
#include "base/Prefs.h"
#include "setups/SetupIcons.h"
#include "setups/SetupStore.h"
#include "ui/design/RelativeTime.h"
#include "ui/setups/SetupsPaneModel.h"
#include "voice/WakeKeyOption.h"

#include <algorithm>

namespace brisklet {

HomePaneModel::HomePaneModel(QObject* parent) : QObject(parent) {}

QObject* HomePaneModel::appState() const {
    return appState_.data();
}

void HomePaneModel::setAppState(QObject* state) {
    if (appState_)
        disconnect(appState_, nullptr, this, nullptr);
    appState_ = qobject_cast<AppState*>(state);
    if (appState_) {
        connect(appState_, &AppState::isListeningChanged, this, &HomePaneModel::changed);
        connect(appState_, &AppState::commandsRunChanged, this, &HomePaneModel::changed);
        connect(appState_, &AppState::setupsRunChanged, this, &HomePaneModel::changed);
        connect(appState_, &AppState::secondsSavedChanged, this, &HomePaneModel::changed);
    }
    emit changed();
}

QObject* HomePaneModel::setups() const {
    return setups_.data();
}

void HomePaneModel::setSetups(QObject* store) {
    if (setups_)
        disconnect(setups_, nullptr, this, nullptr);
    setups_ = qobject_cast<SetupStore*>(store);
    if (setups_)
        connect(setups_, &SetupStore::setupsChanged, this, &HomePaneModel::changed);
    emit changed();
}

QString HomePaneModel::storedStyle() {
    const QString style = Prefs::stringValue(QString::fromLatin1(Prefs::Key::activationStyle));
    return style.isEmpty() ? QStringLiteral("hold") : style;
}

int HomePaneModel::storedKeyCode() {
    return Prefs::intValue(QString::fromLatin1(Prefs::Key::wakeKeyCode));
}

bool HomePaneModel::listening() const {
    return appState_ && appState_->isListening();
}

QString HomePaneModel::statusLine() const {
    if (listening())
        return QStringLiteral("Listening…");
    return QStringLiteral("Ready — ") + methodHint(storedStyle(), storedKeyCode()) +
           QStringLiteral(", then speak");
}

QString HomePaneModel::commandsRun() const {
    return QString::number(appState_ ? appState_->commandsRun() : 0);
}

QString HomePaneModel::setupsRun() const {
    return QString::number(appState_ ? appState_->setupsRun() : 0);
}

QVariant HomePaneModel::setupsRunDetail() const {
    if (appState_ && appState_->setupsRun() != 0)
        return {};
    return QStringLiteral("say a setup's name to run it");
}

QString HomePaneModel::timeSaved() const {
    return timeSavedText(appState_ ? appState_->secondsSaved() : 0);
}

bool HomePaneModel::hasSetups() const {
    return setups_ && !setups_->setups().empty();
}

QVariantList HomePaneModel::recentSetupRows() const {
    QVariantList rows;
    if (!setups_)
        return rows;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const Setup& setup : recentSetups(setups_->setups())) {
        QVariantMap row = SetupsPaneModel::iconRow(SetupsPaneModel::orderedAppIDs(setup));
        row.insert(QVariantMap{
            {QStringLiteral("id"), SetupJson::idText(setup.id)},
            {QStringLiteral("name"), setup.name},
            {QStringLiteral("chip"), setup.name.toLower()},
            {QStringLiteral("symbol"), setup.icon.value_or(SetupIcons::autoFor(setup.name))},
            {QStringLiteral("lastRun"), setup.lastRunAt ? relativeTime(*setup.lastRunAt, now) : QString()},
        });
        rows << row;
    }
    return rows;
}

QStringList HomePaneModel::trySayingNow() const {
    return trySaying(setups_ ? recentSetups(setups_->setups()) : std::vector<Setup>{});
}

QString HomePaneModel::wakeHintNow() const {
    return wakeHint(storedStyle(), storedKeyCode());
}

QString HomePaneModel::methodHint(const QString& style, int keyCode) {
    const bool tap = activationStyleFromRawValue(style) == ActivationStyle::tap;
    return (tap ? QStringLiteral("tap ") : QStringLiteral("hold ")) + WakeKeyOption::forCode(keyCode).label;
}

QString HomePaneModel::wakeHint(const QString& style, int keyCode) {
    const QString key = WakeKeyOption::forCode(keyCode).label;
    if (activationStyleFromRawValue(style) == ActivationStyle::tap)
        return QStringLiteral("Tap ") + key +
               QStringLiteral(" once, speak, and Brisklet finishes when you do.");
    return QStringLiteral("Hold ") + key + QStringLiteral(" like a walkie-talkie — press, speak, release.");
}

QString HomePaneModel::timeSavedText(qint64 seconds) {
    if (seconds <= 59)
        return QString::number(seconds) + QLatin1Char('s');
    if (seconds <= 3599)
        return QString::number(seconds / 60) + QLatin1Char('m');
    return QString::number(seconds / 3600) + QStringLiteral("h ") + QString::number(seconds % 3600 / 60) +
           QLatin1Char('m');
}

std::vector<Setup> HomePaneModel::recentSetups(const std::vector<Setup>& setups) {
    std::vector<Setup> sorted = setups;
    const auto usedAt = [](const Setup& setup) { return setup.lastRunAt.value_or(setup.createdAt); };
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&](const Setup& a, const Setup& b) { return usedAt(a) > usedAt(b); });
    if (sorted.size() > 3)
        sorted.resize(3);
    return sorted;
}

QStringList HomePaneModel::trySaying(const std::vector<Setup>& recent) {
    QStringList phrases{QStringLiteral("sort"), QStringLiteral("open Firefox"), QStringLiteral("left half")};
    if (!recent.empty())
        phrases[2] = recent.front().name.toLower();
    return phrases;
}

} // namespace brisklet
