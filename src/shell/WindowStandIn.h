#pragma once

#include "shell/PreviewWindow.h"
#include "ui/WindowPort.h"

#include <QObject>
#include <functional>

namespace brisklet {

// A window still to come: counts and logs its showings, and carries what the wake
// settings of both windows share: the level meter's provider and the changes the
// user makes.
class WindowStandIn : public QObject, public WindowPort, public PreviewWindow {
    Q_OBJECT
public:
    explicit WindowStandIn(const char* name, QObject* parent = nullptr) : QObject(parent), name_(name) {}
    void show() override;
    bool isVisible() const override { return visible_; }
    int shown() const { return shown_; }

    void stepAside() override;
    bool isParked() const override { return parked_; }
    void settleBehind() override;
    void returnFromPreview() override;

    std::function<float()> levelProvider;

signals:
    void sensitivityChanged(double value);
    void wakeConfigChanged();

protected:
    void close() { visible_ = false; }

private:
    const char* name_;
    bool visible_ = false;
    int shown_ = 0;
    bool parked_ = false;
};

} // namespace brisklet
