#include "ui/magic/MagicCardFormat.h"

#include "setups/SetupIcons.h"
#include "ui/design/SetupThumbnail.h"

namespace brisklet {

std::vector<MagicCardFormat::Button> MagicCardFormat::buttonRow(bool ran, bool saved, bool allowEdit,
                                                                bool axGranted) {
    std::vector<Button> row;
    // Trying a draft places windows, which needs window control; saving doesn't.
    row.push_back(ran ? Button{Control::undo} : Button{Control::run, axGranted});
    if (saved)
        row.push_back({Control::savedMark});
    else
        row.push_back({ran ? Control::keep : Control::save});
    if (allowEdit)
        row.push_back({Control::edit});
    return row;
}

QString MagicCardFormat::controlName(Control control) {
    switch (control) {
    case Control::run:
        return QStringLiteral("run");
    case Control::undo:
        return QStringLiteral("undo");
    case Control::save:
        return QStringLiteral("save");
    case Control::keep:
        return QStringLiteral("keep");
    case Control::savedMark:
        return QStringLiteral("savedMark");
    case Control::edit:
        return QStringLiteral("edit");
    }
    return {};
}

namespace {

QVariantMap itemRow(const SetupItem& item, const MagicProposal& proposal) {
    const bool web = item.kind == SetupItemKind::url;
    QString evidence;
    if (!web) {
        const auto found = proposal.evidence.find(item.bundleID);
        if (found != proposal.evidence.end())
            evidence = found->second;
    }
    return {{"label", web && item.url ? *item.url : item.appName},
            {"evidence", evidence},
            {"web", web},
            {"bundleID", item.bundleID}};
}

} // namespace

QVariantMap MagicCardFormat::describe(const MagicProposal& proposal) {
    QVariantList items;
    for (const SetupItem& item : proposal.draft.items)
        items << itemRow(item, proposal);
    return {{"id", SetupJson::idText(proposal.id())},
            {"title", proposal.title},
            {"phrase", proposal.title.toLower()},
            {"blurb", proposal.blurb},
            {"symbol", proposal.draft.icon.value_or(SetupIcons::autoFor(proposal.draft.name))},
            {"effects", proposal.draft.effectsSummary()},
            {"items", items},
            {"thumbnail", SetupThumbnail::itemMaps(proposal.draft.items)}};
}

QVariantList MagicCardFormat::buttons(bool ran, bool saved, bool allowEdit, bool axGranted) {
    QVariantList out;
    for (const Button& button : buttonRow(ran, saved, allowEdit, axGranted))
        out << QVariantMap{{"control", controlName(button.control)}, {"enabled", button.enabled}};
    return out;
}

QString MagicCardFormat::phraseToSay(const QString& phrase, bool saved, const QString& savedName) {
    return saved && !savedName.isEmpty() ? savedName.toLower() : phrase;
}

QString MagicCardFormat::savedLine(const QString& name) {
    return QString::fromUtf8("Saved — say “") + name.toLower() + QString::fromUtf8("” anytime");
}

QString MagicCardFormat::unresolvedLine(const QString& name) {
    return QString::fromUtf8("“") + name + QString::fromUtf8("” isn't on this computer — left out");
}

QString MagicCardFormat::accessibilityNote() {
    return QString::fromUtf8(
        "Watching it work needs Accessibility (Settings → Permissions) — saving works now.");
}

} // namespace brisklet
