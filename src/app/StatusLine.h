#pragma once

#include "app/SelectionModel.h"
#include "app/SyncApp.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// The selection window's status line says what the last thing the person
// did came to; these are its texts, the same in every window. A failure
// never leaves a "please wait" behind, and every text that concerns the
// handheld says whether the handheld itself has changed yet. Texts are
// UTF-8 (the dialer's names never appear in them).
class StatusLine final {
public:
    StatusLine() = delete;

    // "1 POP", "250 POPs".
    static std::string pops(int count);

    // After the lists were filled anew.
    static std::string shown(int mainRows, int onHandheld);
    static std::string added(int added, int alreadyThere);
    static std::string refused(int limit);
    static std::string removed(int removed);
    static std::string sorted(bool mainList, bool byNumber, bool ascending);
    // What a move of `asked` Main rows to the handheld came to.
    static std::string afterMove(const SelectionModel::Move& move, int asked, int limit);

    static std::string saved(int pops);
    static std::string saveDeclined();
    // `reached`: the handheld's files the failed save replaced.
    static std::string saveFailed(std::string_view message, const std::vector<std::string>& reached);
    // What a Save came to, with the POPs the handheld holds now.
    static std::string afterSave(const SyncApp::Saved& saved, int handheldCount);

    // `text` with `note` after it: "; note" after a phrase, " Note." after
    // sentences.
    static std::string withNote(std::string_view text, std::string_view note);

    static std::string updateEnded(std::string_view summary);
    static std::string helpMissing(std::string_view path);
};

} // namespace tarvo
