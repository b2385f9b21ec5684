#include "main1/main1.h"

#include "main1/entrylist.h"

#include "messages/transfermessages.h"
#include "import/importwindow.h"
#include "importing/exporting.h"
#include "platform.h"
#include "text/textfile.h"

using namespace Qt::StringLiterals;

namespace siteloom {

importWindow* main1::importWindowShown() const
{
    return m_import;
}

// "取り込み": one import window, modeless beside the main window; a second press brings it forward.
void main1::importAction_Click()
{
    if (!m_import) {
        ImportTarget target;
        target.entries = [this] { return pageInputs().entries; };
        target.appendEntries = [this](const QStringList& entries) { appendEntries(entries, u"取り込み"_s); };
        target.setPageOptions = [this](const PageInputs& options) { setPageOptions(options); };
        m_import = new importWindow(m_platform, std::move(target), this);
    }
    m_import->show();
    m_import->raise();
    m_import->activateWindow();
}

// "書き出し": the list as a bookmarks file, or as CSV when the name chosen ends in ".csv".
void main1::exportAction_Click()
{
    if (m_listModel->count() == 0) {
        showMessage(m_platform, this, u"リストに項目を追加してください。"_s);
        return;
    }
    FileDialogRequest request;
    request.filters = {u"ブックマーク (*.html)"_s, u"CSV (*.csv)"_s};
    request.fileName = u"bookmarks.html"_s;
    request.directory = m_platform.currentDirectory();
    const QString path = m_platform.saveFileName(this, request);
    if (path.isEmpty())
        return;
    const ExportFormat format =
        path.endsWith(u".csv"_s, Qt::CaseInsensitive) ? ExportFormat::Csv : ExportFormat::Bookmarks;
    FileError error;
    showMessage(m_platform, this,
                saveExport(path, pageInputs(), format, &error) ? exportWrittenMessage()
                                                               : exportNotWrittenMessage(error));
}

} // namespace siteloom
