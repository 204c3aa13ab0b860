#include "app/StatusLine.h"

#include "app/HandheldChoice.h"

namespace tarvo {

std::string StatusLine::pops(int count)
{
    return count == 1 ? std::string("1 POP") : std::to_string(count) + " POPs";
}

std::string StatusLine::shown(int mainRows, int onHandheld)
{
    return pops(mainRows) + " shown, " + std::to_string(onHandheld) + " of them on the handheld";
}

std::string StatusLine::added(int added, int alreadyThere)
{
    if (added == 0)
        return alreadyThere == 1 ? "Nothing added: that POP is already on the handheld list"
                                 : "Nothing added: those POPs are already on the handheld list";
    std::string text = "Added " + pops(added) + " to the handheld list";
    if (alreadyThere > 0)
        text += " (" + std::to_string(alreadyThere) + " already there)";
    return text + "; Save sends them to the handheld";
}

std::string StatusLine::refused(int limit)
{
    return "Nothing added: the handheld takes at most " + pops(limit);
}

std::string StatusLine::removed(int removed)
{
    return "Removed " + pops(removed) + " from the handheld list; Save takes them off the handheld";
}

std::string StatusLine::sorted(bool mainList, bool byNumber, bool ascending)
{
    return std::string(mainList ? "Main" : "Handheld") + " list sorted by " + (byNumber ? "number" : "city") + ", " +
           (ascending ? "ascending" : "descending");
}

std::string StatusLine::afterMove(const SelectionModel::Move& move, int asked, int limit)
{
    if (move.refused)
        return refused(limit);
    // Customer POPs never reach the handheld: a move that would show them
    // there would be a choice that silently does nothing.
    if (move.customerPops > 0 && move.moved == 0)
        return HandheldChoice::customerPopsLeft(move.customerPops);
    std::string text = added(move.moved, asked - move.moved - move.customerPops);
    if (move.customerPops > 0)
        text += "; " + HandheldChoice::customerPopsLeft(move.customerPops);
    return text;
}

std::string StatusLine::saved(int count)
{
    return "Saved " + pops(count) + " to the handheld";
}

std::string StatusLine::saveDeclined()
{
    return "Not saved: the handheld was left as it was";
}

std::string StatusLine::saveFailed(std::string_view message, const std::vector<std::string>& reached)
{
    std::string text = "Save failed: " + std::string(message) + ". ";
    if (reached.empty())
        return text + "No file reached the handheld.";
    text += "Already on the handheld: ";
    for (std::size_t i = 0; i < reached.size(); ++i)
        text += (i > 0 ? ", " : "") + reached[i];
    return text + ".";
}

std::string StatusLine::afterSave(const SyncApp::Saved& saved, int handheldCount)
{
    std::string text;
    if (saved.result == SyncProcedure::Result::Done)
        text = StatusLine::saved(handheldCount);
    else if (saved.result == SyncProcedure::Result::Declined)
        text = saveDeclined();
    else
        text = saveFailed(SyncProcedure::message(saved.result), saved.reached);
    if (saved.retired > 0)
        text = withNote(text, SyncProcedure::retiredNote(saved.retired));
    return text;
}

std::string StatusLine::withNote(std::string_view text, std::string_view note)
{
    if (!text.empty() && text.back() == '.')
        return std::string(text) + " " + std::string(note) + ".";
    return std::string(text) + "; " + std::string(note);
}

std::string StatusLine::updateEnded(std::string_view summary)
{
    return "Phonebook update: " + std::string(summary);
}

std::string StatusLine::helpMissing(std::string_view path)
{
    return "The help page is not installed: " + std::string(path);
}

} // namespace tarvo
