#pragma once

#include "ask/AskPort.h"
#include "magic/MagicDraft.h"
#include "magic/MagicRecommender.h"

#include <QObject>
#include <QSet>
#include <functional>
#include <memory>

namespace brisklet {

class MagicBackend;

// Turns a typed description into a draft setup: a language model drafts it, the
// strict parser checks it and grounding places it on the installed apps. Nothing is
// saved here. Main thread.
class MagicBuilder final : public QObject {
    Q_OBJECT
public:
    struct Result {
        std::optional<MagicBuilt> built; // set on success
        AskError error = AskError::badPlan;
        bool operator==(const Result&) const = default;
    };

    // `direct` is the user's-key route, `service` the hosted one.
    MagicBuilder(std::unique_ptr<MagicBackend> direct, std::unique_ptr<MagicBackend> service,
                 QObject* parent = nullptr);
    ~MagicBuilder() override;

    // The route `propose` would take is usable and Ask is switched on.
    bool isEnabled() const;
    // Exactly one call of `completion`: at once for a failure known before any
    // request, else on the main thread when the reply has been read. Nothing is
    // reported once the builder is gone.
    void propose(const QString& description, std::function<void(const Result&)> completion);

    // A model's reply as a drafted proposal; a rejected draft is logged and is badPlan.
    static Result replyResult(const QString& reply, const MagicRecommender::Inventory& inventory,
                              const QSet<QString>& reserved, const QDateTime& now);

    // What is installed and used here, asked once per reply.
    std::function<MagicRecommender::Inventory()> inventoryProvider;
    // Normalised phrases a drafted name may not take.
    std::function<QSet<QString>()> reservedPhrasesProvider;

private:
    MagicBackend& route() const;

    std::unique_ptr<MagicBackend> direct_;
    std::unique_ptr<MagicBackend> service_;
};

} // namespace brisklet
