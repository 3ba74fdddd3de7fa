#include "magic/MagicBuilder.h"

#include "base/Log.h"
#include "base/Prefs.h"
#include "magic/MagicBackend.h"
#include "magic/MagicDraftParser.h"
#include "magic/MagicGrounding.h"

#include <QPointer>

namespace brisklet {

MagicBuilder::MagicBuilder(std::unique_ptr<MagicBackend> direct, std::unique_ptr<MagicBackend> service,
                           QObject* parent)
    : QObject(parent), direct_(std::move(direct)), service_(std::move(service)) {}

MagicBuilder::~MagicBuilder() = default;

MagicBackend& MagicBuilder::route() const {
    return direct_->isAvailable() ? *direct_ : *service_;
}

bool MagicBuilder::isEnabled() const {
    return route().isAvailable() && Prefs::boolValue(Prefs::Key::askEnabled);
}

void MagicBuilder::propose(const QString& description, std::function<void(const Result&)> completion) {
    if (!Prefs::boolValue(Prefs::Key::askEnabled)) {
        completion({std::nullopt, AskError::disabled});
        return;
    }
    const QString text = MagicDraftParser::boundedDescription(description);
    if (text.isEmpty()) {
        completion({std::nullopt, AskError::badPlan});
        return;
    }
    MagicBackend& backend = route();
    if (!backend.isAvailable()) {
        completion({std::nullopt, AskError::serviceUnavailable});
        return;
    }
    QPointer<MagicBuilder> self(this);
    backend.build(text, [self, completion = std::move(completion)](const TextResult& reply) {
        if (!self)
            return;
        if (!reply.text) {
            completion({std::nullopt, reply.error});
            return;
        }
        const MagicRecommender::Inventory inventory =
            self->inventoryProvider ? self->inventoryProvider() : MagicRecommender::Inventory{};
        const QSet<QString> reserved =
            self->reservedPhrasesProvider ? self->reservedPhrasesProvider() : QSet<QString>{};
        completion(replyResult(*reply.text, inventory, reserved, QDateTime::currentDateTimeUtc()));
    });
}

MagicBuilder::Result MagicBuilder::replyResult(const QString& reply,
                                               const MagicRecommender::Inventory& inventory,
                                               const QSet<QString>& reserved, const QDateTime& now) {
    auto parsed = MagicDraftParser::parse(reply);
    if (auto* error = std::get_if<MagicDraftError>(&parsed)) {
        qCCritical(lcAsk).noquote() << QStringLiteral("magic draft rejected: ") + error->description();
        return {std::nullopt, AskError::badPlan};
    }
    auto grounded = MagicGrounding::ground(std::get<ParsedMagicDraft>(parsed), inventory, reserved, now);
    if (auto* error = std::get_if<MagicDraftError>(&grounded)) {
        qCCritical(lcAsk).noquote() << QStringLiteral("magic draft rejected: ") + error->description();
        return {std::nullopt, AskError::badPlan};
    }
    return {std::get<MagicBuilt>(std::move(grounded)), AskError::badPlan};
}

} // namespace brisklet
