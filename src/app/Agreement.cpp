#include "app/Agreement.h"

#include "app/WorkingFolder.h"
#include "support/AtomicFile.h"
#include "support/FileInfo.h"

#include <algorithm>

namespace tarvo {

Agreement::Agreement(const WorkingFolder& folder, const std::string& language)
    : m_file(folder.path(language + ".eua")),
      m_acceptedCopy(folder.path(std::string(WorkingFolder::kLogFolder) + "/" + language + ".eua"))
{
}

bool Agreement::needsShowing() const
{
    if (!fileInfo(m_file).isRegular())
        return false;
    return !fileInfo(m_acceptedCopy).exists();
}

std::string Agreement::text() const
{
    std::string content;
    if (!readWholeFile(m_file, content))
        return {};
    content.resize(std::min(content.size(), content.find('\0')));
    return content;
}

void Agreement::accept() const
{
    std::string content;
    if (readWholeFile(m_file, content))
        (void)writeFileAtomically(m_acceptedCopy, content);
}

} // namespace tarvo
