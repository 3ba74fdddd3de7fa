#pragma once

#include "platform/DesktopAppearance.h"

#include <map>

namespace brisklet::test {

// Dark mode and reduced motion as a test sets them; every change calls the handlers.
class FakeDesktopAppearance final : public platform::DesktopAppearance {
public:
    bool prefersDark() const override { return dark_; }
    bool reducesMotion() const override { return reduceMotion_; }
    Token addChangeHandler(std::function<void()> handler) override {
        handlers_.emplace(++next_, std::move(handler));
        return next_;
    }
    void removeChangeHandler(Token token) override { handlers_.erase(token); }

    void set(bool dark, bool reduceMotion) {
        dark_ = dark;
        reduceMotion_ = reduceMotion;
        for (auto& [token, handler] : handlers_)
            handler();
    }
    size_t handlerCount() const { return handlers_.size(); }

private:
    bool dark_ = false;
    bool reduceMotion_ = false;
    Token next_ = 0;
    std::map<Token, std::function<void()>> handlers_;
};

} // namespace brisklet::test
