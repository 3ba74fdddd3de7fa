#pragma once

#include "ui/design/FloatingSurface.h"

#include <QStringList>
#include <memory>

namespace brisklet::test {

// A floating panel that only records: where it went, whether clicks pass, whether
// it is on screen and fading, and every call in order.
class FakeFloatingSurface final : public FloatingSurface {
public:
    explicit FakeFloatingSurface(QSize size = {264, 86}) : size_(size) {}
    ~FakeFloatingSurface() override { *freed = true; }
    void setSize(QSize size) { size_ = size; }

    QSize size() const override { return size_; }
    void moveTo(QPoint topLeft) override {
        position = topLeft;
        calls << QStringLiteral("move");
    }
    void setClickThrough(bool through) override { clickThrough = through; }
    bool isClickThrough() const override { return clickThrough; }
    void orderFront() override {
        visible = true;
        fading = false;
        calls << QStringLiteral("front");
    }
    void fadeIn(double seconds) override {
        visible = true;
        fading = false;
        fadeInSeconds = seconds;
        calls << QStringLiteral("fadeIn");
    }
    void fadeOut(double seconds) override {
        fading = true;
        fadeSeconds = seconds;
        calls << QStringLiteral("fade");
    }
    void orderOut() override {
        visible = false;
        fading = false;
        calls << QStringLiteral("out");
    }
    bool isVisible() const override { return visible; }

    QPoint position;
    bool clickThrough = true;
    bool visible = false;
    bool fading = false;
    double fadeSeconds = 0;
    double fadeInSeconds = -1;
    QStringList calls;
    // Kept by a test that outlives the panel: its owner may free it at any time.
    std::shared_ptr<bool> freed = std::make_shared<bool>(false);

private:
    QSize size_;
};

} // namespace brisklet::test
