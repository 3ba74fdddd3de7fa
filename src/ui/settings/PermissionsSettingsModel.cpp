#include "ui/settings/PermissionsSettingsModel.h"

#include "base/RepeatingTimer.h"
#include "ui/settings/SettingsServices.h"

#include <QCoreApplication>
#include <QThreadPool>

namespace brisklet {

namespace {

// A grant never asked for is requested; one already decided opens its settings pane.
void allow(platform::Permissions& permissions, const std::function<SettingsServices::Grant()>& grant,
           void (platform::Permissions::*request)(), const char* pane) {
    if (grant && grant() == SettingsServices::Grant::notDetermined)
        (permissions.*request)();
    else
        permissions.openPane(QLatin1String(pane));
}

} // namespace

struct PermissionsSettingsModel::Found {
    bool hasBrowser = false;
    SettingsServices::Browser browser;
    Status status = Status::notDetermined;
};

PermissionsSettingsModel::PermissionsSettingsModel(QObject* parent) : QObject(parent) {}

PermissionsSettingsModel::~PermissionsSettingsModel() = default;

void PermissionsSettingsModel::start() {
    if (poll_ || !services_)
        return;
    refresh();
    poll_ =
        std::make_unique<RepeatingTimer>(services_->schedulerOrMain(), pollInterval, [this] { refresh(); });
    poll_->start();
}

QObject* PermissionsSettingsModel::servicesObject() const {
    return services_.data();
}

void PermissionsSettingsModel::setServices(QObject* services) {
    auto* typed = qobject_cast<SettingsServices*>(services);
    if (typed == services_)
        return;
    poll_.reset();
    services_ = typed;
    emit servicesChanged();
}

QString PermissionsSettingsModel::browserStatusName() const {
    switch (browserStatus_) {
    case Status::granted:
        return QStringLiteral("granted");
    case Status::denied:
        return QStringLiteral("denied");
    case Status::notDetermined:
        return QStringLiteral("notDetermined");
    case Status::targetNotRunning:
        break;
    }
    return QStringLiteral("targetNotRunning");
}

QString PermissionsSettingsModel::browserDetail() const {
    switch (browserStatus_) {
    case Status::granted:
        return QStringLiteral("Setups can save and reopen your web pages.");
    case Status::denied:
        return QStringLiteral(
                   "Brisklet was told it can't control %1, so setups save browser windows without their "
                   "pages. Turn Brisklet on next to %1 to fix it.")
            .arg(browserName_);
    case Status::notDetermined:
    case Status::targetNotRunning:
        break;
    }
    return QStringLiteral("Lets setups save which pages you had open and bring them back.");
}

void PermissionsSettingsModel::refresh() {
    if (!services_)
        return;
    const auto granted = [](const std::function<SettingsServices::Grant()>& read) {
        return read && read() == SettingsServices::Grant::granted;
    };
    mic_ = granted(services_->microphone);
    speech_ = granted(services_->speech);
    ax_ = services_->accessibility && services_->accessibility();
    emit changed();
    startCheck();
}

// The default browser and its status, found off the main thread (both may block)
// and handed back to it. Only one check runs at a time.
void PermissionsSettingsModel::startCheck() {
    if (checkRunning_ || !services_)
        return;
    checkRunning_ = true;
    const std::uint64_t sequence = ++issued_;
    const auto defaultBrowser = services_->defaultBrowser;
    platform::Permissions* permissions = this->permissions();
    QPointer<PermissionsSettingsModel> self(this);
    auto work = [self, sequence, defaultBrowser, permissions] {
        Found found;
        if (const auto browser = defaultBrowser ? defaultBrowser() : std::nullopt) {
            found.hasBrowser = true;
            found.browser = *browser;
            found.status = permissions ? permissions->determine(browser->id) : Status::targetNotRunning;
        }
        // Applied on the main thread, and only while the section still exists.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, sequence, found] {
                if (self)
                    self->applyCheck(sequence, found);
            },
            Qt::QueuedConnection);
    };
    if (services_->runInBackground)
        services_->runInBackground(std::move(work));
    else
        QThreadPool::globalInstance()->start(std::move(work));
}

void PermissionsSettingsModel::applyCheck(std::uint64_t sequence, const Found& found) {
    checkRunning_ = false;
    if (sequence <= applied_)
        return;
    applied_ = sequence;
    if (!found.hasBrowser)
        return;
    browserID_ = found.browser.id;
    if (!found.browser.name.isEmpty())
        browserName_ = found.browser.name;
    browserStatus_ = found.status;
    emit changed();
}

// A request's answer is the newest word: checks started before it arrives are stale.
void PermissionsSettingsModel::applyStatus(std::uint64_t sequence, Status status) {
    applied_ = std::max(issued_, sequence);
    browserStatus_ = status;
    emit changed();
}

void PermissionsSettingsModel::allowMicrophone() {
    platform::Permissions* p = permissions();
    if (!p)
        return;
    allow(*p, services_->microphone, &platform::Permissions::requestMicrophone,
          platform::Permissions::microphonePane);
}

void PermissionsSettingsModel::allowSpeech() {
    platform::Permissions* p = permissions();
    if (!p)
        return;
    allow(*p, services_->speech, &platform::Permissions::requestSpeech, platform::Permissions::speechPane);
}

void PermissionsSettingsModel::allowAccessibility() {
    platform::Permissions* p = permissions();
    if (!p || (services_->accessibility && services_->accessibility()))
        return;
    p->openPane(QLatin1String(platform::Permissions::accessibilityPane));
}

void PermissionsSettingsModel::allowBrowser() {
    platform::Permissions* p = permissions();
    if (!p || browserID_.isEmpty())
        return;
    const std::uint64_t sequence = ++issued_;
    QPointer<PermissionsSettingsModel> self(this);
    p->requestAutomation(browserID_, [self, sequence](Status status) {
        if (self)
            self->applyStatus(sequence, status);
    });
}

void PermissionsSettingsModel::fixBrowser() {
    if (platform::Permissions* p = permissions())
        p->openPane(QLatin1String(platform::Permissions::automationPane));
}

void PermissionsSettingsModel::runOnboarding() {
    if (services_ && services_->runOnboarding)
        services_->runOnboarding();
}

platform::Permissions* PermissionsSettingsModel::permissions() const {
    return services_ ? services_->permissions : nullptr;
}

} // namespace brisklet
