#include "gui/StatusLine.h"

#include <QStringList>

namespace tarvo::gui {

QString StatusLine::pops(int count)
{
    return count == 1 ? QStringLiteral("1 POP") : QStringLiteral("%1 POPs").arg(count);
}

QString StatusLine::shown(int mainRows, int onHandheld)
{
    return QStringLiteral("%1 shown, %2 of them on the handheld").arg(pops(mainRows)).arg(onHandheld);
}

QString StatusLine::added(int added, int alreadyThere)
{
    if (added == 0)
        return alreadyThere == 1 ? QStringLiteral("Nothing added: that POP is already on the handheld list")
                                 : QStringLiteral("Nothing added: those POPs are already on the handheld list");
    QString text = QStringLiteral("Added %1 to the handheld list").arg(pops(added));
    if (alreadyThere > 0)
        text += QStringLiteral(" (%1 already there)").arg(alreadyThere);
    return text + QStringLiteral("; Save sends them to the handheld");
}

QString StatusLine::refused(int limit)
{
    return QStringLiteral("Nothing added: the handheld takes at most %1").arg(pops(limit));
}

QString StatusLine::removed(int removed)
{
    return QStringLiteral("Removed %1 from the handheld list; Save takes them off the handheld").arg(pops(removed));
}

QString StatusLine::sorted(bool mainList, bool byNumber, bool ascending)
{
    return QStringLiteral("%1 list sorted by %2, %3")
        .arg(mainList ? QStringLiteral("Main") : QStringLiteral("Handheld"),
             byNumber ? QStringLiteral("number") : QStringLiteral("city"),
             ascending ? QStringLiteral("ascending") : QStringLiteral("descending"));
}

QString StatusLine::saved(int count)
{
    return QStringLiteral("Saved %1 to the handheld").arg(pops(count));
}

QString StatusLine::saveDeclined()
{
    return QStringLiteral("Not saved: the handheld was left as it was");
}

QString StatusLine::saveFailed(std::string_view message, const std::vector<std::string>& reached)
{
    QString text = QStringLiteral("Save failed: %1. ").arg(QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
    if (reached.empty())
        return text + QStringLiteral("No file reached the handheld.");
    QStringList names;
    for (const std::string& name : reached)
        names << QString::fromStdString(name);
    return text + QStringLiteral("Already on the handheld: %1.").arg(names.join(QStringLiteral(", ")));
}

QString StatusLine::withNote(const QString& text, std::string_view note)
{
    const QString added = QString::fromUtf8(note.data(), static_cast<qsizetype>(note.size()));
    if (text.endsWith(QLatin1Char('.')))
        return text + QLatin1Char(' ') + added + QLatin1Char('.');
    return text + QStringLiteral("; ") + added;
}

QString StatusLine::updateEnded(const QString& summary)
{
    return QStringLiteral("Phonebook update: %1").arg(summary);
}

QString StatusLine::helpMissing(const QString& path)
{
    return QStringLiteral("The help page is not installed: %1").arg(path);
}

} // namespace tarvo::gui
