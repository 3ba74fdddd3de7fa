#include "ask/ModelReply.h"

#include <algorithm>

namespace brisklet::ModelReply {

QString withoutFences(const QString& reply) {
    QString text = reply.trimmed();
    const QString fence = QStringLiteral("```");
    if (!text.startsWith(fence))
        return text;
    text.remove(fence + QStringLiteral("json"));
    text.remove(fence);
    return text.trimmed();
}

QString visible(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        const QChar::Category category = QChar::category(c);
        if (category == QChar::Other_Control || category == QChar::Other_Format)
            continue;
        out.append(QString::fromUcs4(&c, 1));
    }
    return out;
}

bool allObjects(const QJsonArray& array) {
    return std::all_of(array.begin(), array.end(), [](const QJsonValue& v) { return v.isObject(); });
}

} // namespace brisklet::ModelReply
