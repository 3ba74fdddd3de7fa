#pragma once

#include "commands/CommandCatalog.h"
#include "commands/CommandEntry.h"
#include "setups/Setup.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <optional>
#include <vector>

namespace brisklet {

class CommandRegistry;
class SetupStore;

// The Commands pane: the setups as phrases, the user's own commands and the
// built-in families, the search over them and which families are open (kept in
// "brisklet.commandsExpanded"). The family list changes only with the search, so
// open rows and fields survive edits; setups and own commands follow their stores.
// Not final: QML makes its own subclass of every type it creates.
class CommandsPaneModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QObject* registry READ registry WRITE setRegistry NOTIFY commandsChanged)
    Q_PROPERTY(QObject* setups READ setups WRITE setSetups NOTIFY setupsChanged)
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
    Q_PROPERTY(bool searching READ searching NOTIFY queryChanged)
    Q_PROPERTY(QVariantList setupRows READ setupRows NOTIFY setupsChanged)
    Q_PROPERTY(QVariantList customRows READ customRows NOTIFY commandsChanged)
    Q_PROPERTY(QVariantList groups READ groups NOTIFY queryChanged)
    Q_PROPERTY(QStringList expanded READ expandedList NOTIFY expandedChanged)
    // What could not be saved, said where it was typed: the add sheet's line, and for
    // each command whose phrases were not saved, the text that was not (its field
    // says so while it holds that text). A delete not saved is said on its row.
    Q_PROPERTY(QString addFailure READ addFailure NOTIFY failuresChanged)
    Q_PROPERTY(QVariantMap unsavedPhrases READ unsavedPhrases NOTIFY failuresChanged)
public:
    explicit CommandsPaneModel(QObject* parent = nullptr);

    QObject* registry() const;
    void setRegistry(QObject* registry);
    QObject* setups() const;
    void setSetups(QObject* store);
    QString query() const { return query_; }
    void setQuery(const QString& query);
    bool searching() const;
    QVariantList setupRows() const;
    QVariantList customRows() const;
    QVariantList groups() const;
    QStringList expandedList() const;
    QString addFailure() const { return addFailure_; }
    QVariantMap unsavedPhrases() const { return unsavedPhrases_; }

    // Opens or closes a family and stores the open set.
    Q_INVOKABLE void setExpanded(const QString& family, bool on);
    // Removes every entry with that id, then saves; false, the command kept and its
    // row saying so, when it could not be saved.
    Q_INVOKABLE bool deleteCommand(const QString& id);
    // The phrase fields of a catalog row: [{id, label, text}]; a field whose phrases
    // could not be saved gets back the text that was typed.
    Q_INVOKABLE QVariantList fieldsFor(const QString& title) const;
    // Commits a phrase field; returns the text the field shows afterwards (what was
    // typed, when it could not be saved).
    Q_INVOKABLE QString commitPhrases(const QString& id, const QString& text);
    // Adds a command of the user's own; false (nothing stored) when incomplete or
    // when it could not be saved.
    Q_INVOKABLE bool addCommand(const QString& phrase, const QString& kind, const QString& appName,
                                const QString& shortcutName);
    // Forgets the add sheet's line, as the sheet opens afresh.
    Q_INVOKABLE void clearAddFailure();

    static const QSet<QString>& defaultExpanded();
    static QSet<QString> loadExpanded();
    static void storeExpanded(const QSet<QString>& families);
    static std::vector<Setup> setupsMatching(const QString& query, const std::vector<Setup>& setups);
    static QString setupCaption(const Setup& setup);
    static std::vector<CommandEntry> customCommands(const std::vector<CommandEntry>& entries);
    static QString commandCaption(const CommandEntry& entry);
    static QStringList previewPhrases(const std::vector<CommandDoc>& docs);
    // Catalog row title → the registry ids whose phrases it edits.
    static const std::vector<std::pair<QString, QStringList>>& registryMap();
    static std::vector<CommandEntry> docEntries(const QString& title,
                                                const std::vector<CommandEntry>& entries);
    static QString familySymbol(CommandGroup group);

signals:
    void commandsChanged();
    void setupsChanged();
    void queryChanged();
    void expandedChanged();
    void failuresChanged();

private:
    bool store(const CommandEntry& entry);
    void setAddFailure(const QString& text);
    void setPhrasesUnsaved(const QString& id, const std::optional<QString>& text);

    QPointer<CommandRegistry> registry_;
    QPointer<SetupStore> setups_;
    QString query_;
    QSet<QString> expanded_;
    QString addFailure_;
    QVariantMap unsavedPhrases_;
    QHash<QString, QString> deleteFailures_; // id → its row's line
};

} // namespace brisklet
