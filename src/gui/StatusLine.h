#pragma once

#include <QString>

#include <string>
#include <string_view>
#include <vector>

namespace tarvo::gui {

// The selection window's status line says what the last thing the person
// did came to; these are its texts. A failure never leaves a "please wait"
// behind, and every text that concerns the handheld says whether the
// handheld itself has changed yet.
class StatusLine final {
public:
    StatusLine() = delete;

    // "1 POP", "250 POPs".
    static QString pops(int count);

    // After the lists were filled anew.
    static QString shown(int mainRows, int onHandheld);
    static QString added(int added, int alreadyThere);
    static QString refused(int limit);
    static QString removed(int removed);
    static QString sorted(bool mainList, bool byNumber, bool ascending);

    static QString saved(int pops);
    static QString saveDeclined();
    // `reached`: the handheld's files the failed save replaced.
    static QString saveFailed(std::string_view message, const std::vector<std::string>& reached);

    // `text` with `note` after it: "; note" after a phrase, " Note." after
    // sentences.
    static QString withNote(const QString& text, std::string_view note);

    static QString updateEnded(const QString& summary);
    static QString helpMissing(const QString& path);
};

} // namespace tarvo::gui
