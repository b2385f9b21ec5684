#include "main1/main1.h"

#include "main1/entrylist.h"
#include "messages/messages.h"
#include "page/linkpage.h"
#include "platform.h"
#include "text/textfile.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace siteloom {

// "html 作成": writes the link page from the list and the page options into the base directory.
// The page is written whole or not at all; the success message comes only after it is in place.
// It never replaces the list file last loaded or saved.
void main1::Command4_Click()
{
    if (const QString problem = pageInputsProblem(m_listModel->count(), Text4->text()); !problem.isEmpty()) {
        showMessage(m_platform, this, problem);
        return;
    }
    const QString pagePath = pageFilePath(Label1->text(), Text4->text());
    if (!m_listFilePath.isEmpty() && isSameFile(pagePath, m_listFilePath)) {
        showMessage(m_platform, this, pageWouldReplaceListFileMessage(QDir::toNativeSeparators(pagePath)));
        return;
    }

    QString path;
    FileError error;
    if (!writePageFile(Label1->text(), pageInputs(), &path, &error)) {
        QString message = pageNotWrittenMessage(path, error);
        if (Label1->text().isEmpty())
            message += u'\n' + chooseBaseDirectoryHint();
        showMessage(m_platform, this, message);
        return;
    }
    // A blank title became the default one on the page; so it does in the window, once the page is
    // written.
    if (const QString title = pageTitle(Text6->text()); title != Text6->text())
        Text6->setText(title);
    showMessage(m_platform, this, pageWrittenMessage());
}

// "プレビュー": the page html 作成 would write, after the same checks, goes into a private
// temporary directory of this run and opens in the browser. The base directory and the title
// field stay as they are.
void main1::preview_Click()
{
    if (const QString problem = pageInputsProblem(m_listModel->count(), Text4->text()); !problem.isEmpty()) {
        showMessage(m_platform, this, problem);
        return;
    }
    if (!m_previewDir || !m_previewDir->isValid())
        m_previewDir =
            std::make_unique<QTemporaryDir>(QDir(QDir::tempPath()).filePath(u"siteloom-preview-XXXXXX"_s));
    PageInputs inputs = pageInputs();
    // The page's name does not show in it; the preview has a fixed one, inside its own directory.
    inputs.fileName = u"preview.html"_s;
    QString path;
    FileError error;
    if (!m_previewDir->isValid() || !writePageFile(m_previewDir->path(), inputs, &path, &error)) {
        if (!m_previewDir->isValid())
            error.reason = m_previewDir->errorString();
        showMessage(m_platform, this, pageNotWrittenMessage(path.isEmpty() ? QDir::tempPath() : path, error));
        return;
    }
    if (!m_platform.openInBrowser(QUrl::fromLocalFile(QDir::fromNativeSeparators(path))))
        showMessage(
            m_platform, this,
            u"ブラウザを起動できませんでした。プレビューのページは次の場所にあります。\n%1"_s.arg(path));
}

} // namespace siteloom
