#include "magic/MagicDraftParser.h"

#include "ask/ModelReply.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextBoundaryFinder>
#include <QUrl>
#include <algorithm>

namespace brisklet {

namespace MagicDraftParser {

namespace {

// The position after at most `limit` grapheme clusters of `text`.
qsizetype graphemeEnd(const QString& text, int limit) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (int count = 0; count < limit; ++count) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            break;
        end = next;
    }
    return end;
}

bool allowedUrl(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() && url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 &&
           !url.host().isEmpty();
}

using Item = ParsedMagicDraft::Item;

// One item object; nothing and `error` set when it breaks a rule.
std::optional<Item> readItem(const QJsonObject& o, MagicDraftError& error) {
    Item item;
    if (o.contains(QLatin1String("url"))) {
        const QJsonValue url = o.value(QLatin1String("url"));
        if (!url.isString() || !allowedUrl(url.toString())) {
            error = MagicDraftError::malformed(QStringLiteral("disallowed url"));
            return std::nullopt;
        }
        item.url = url.toString();
    }
    if (o.contains(QLatin1String("app"))) {
        const QJsonValue app = o.value(QLatin1String("app"));
        if (!app.isString()) {
            error = MagicDraftError::malformed(QStringLiteral("bad app"));
            return std::nullopt;
        }
        const QString name = cleaned(app.toString(), 60);
        if (!name.isEmpty())
            item.app = name;
    }
    if (!item.url && !item.app) {
        error = MagicDraftError::malformed(QStringLiteral("empty item"));
        return std::nullopt;
    }
    const QJsonValue placement = o.value(QLatin1String("placement"));
    if (!placement.isUndefined() && !placement.isNull()) {
        item.placement = placement.isString() ? magicPlacementFrom(placement.toString()) : std::nullopt;
        if (!item.placement) {
            error = MagicDraftError::malformed(QStringLiteral("bad placement"));
            return std::nullopt;
        }
    }
    return item;
}

} // namespace

QString boundedDescription(const QString& description) {
    const QString text = description.trimmed();
    if (text.size() <= 400)
        return text;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.setPosition(400);
    if (!finder.isAtBoundary())
        finder.toPreviousBoundary();
    return text.left(std::max<qsizetype>(finder.position(), 0));
}

QString cleaned(const QString& text, int limit) {
    const QString kept = ModelReply::visible(text).trimmed();
    return kept.left(graphemeEnd(kept, limit));
}

std::variant<ParsedMagicDraft, MagicDraftError> parse(const QString& reply) {
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(ModelReply::withoutFences(reply).toUtf8(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject())
        return MagicDraftError::malformed(QStringLiteral("not a JSON object"));
    const QJsonObject root = doc.object();
    ParsedMagicDraft draft;
    const QJsonValue name = root.value(QLatin1String("name"));
    draft.name = name.isString() ? cleaned(name.toString(), 40) : QString();
    const QJsonValue items = root.value(QLatin1String("items"));
    const QJsonArray list = items.toArray();
    if (!items.isArray() || !ModelReply::allObjects(list))
        return MagicDraftError::malformed(QStringLiteral("missing items"));
    if (draft.name.isEmpty()) {
        if (list.isEmpty())
            return MagicDraftError{MagicDraftError::Kind::notASetup, {}};
        return MagicDraftError::malformed(QStringLiteral("missing name"));
    }
    if (list.size() < 1 || list.size() > 8)
        return MagicDraftError::malformed(QStringLiteral("bad item count (%1)").arg(list.size()));
    MagicDraftError error;
    for (const QJsonValue& element : list) {
        const std::optional<Item> item = readItem(element.toObject(), error);
        if (!item)
            return error;
        draft.items.push_back(*item);
    }
    const QJsonValue blurb = root.value(QLatin1String("blurb"));
    draft.blurb = blurb.isString() ? cleaned(blurb.toString(), 120) : QString();
    return draft;
}

} // namespace MagicDraftParser

} // namespace brisklet
