#include "ui/pick/BriskPickModel.h"

#include <QVariantMap>

namespace brisklet {

BriskPickModel::BriskPickModel(QList<PickEntry> entries, QObject* parent)
    : QObject(parent), entries_(std::move(entries)) {}

void BriskPickModel::run(int row) {
    if (row >= 0 && row < entries_.size())
        emit runPressed(entries_[row].id, entries_[row].name);
}

QVariantList BriskPickModel::rows() const {
    QVariantList out;
    for (const PickEntry& entry : entries_)
        out << QVariantMap{{QStringLiteral("name"), entry.name},
                           {QStringLiteral("icon"), entry.icon},
                           {QStringLiteral("active"), entry.active}};
    return out;
}

} // namespace brisklet
