#include "main1/main1.h"

#include "main1/main1_messages.h"
#include "page/linkpage.h"
#include "platform.h"
#include "text/textfile.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

using namespace Qt::StringLiterals;

namespace siteloom {

// "html 作成": writes the link page from the list and the page options into the base directory.
// The page is written whole or not at all; the success message comes only after it is in place.
// It never replaces the list file last loaded or saved.
void main1::Command4_Click()
{
    if (const QString problem = pageInputsProblem(List1->count(), Text4->text()); !problem.isEmpty()) {
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
        showMessage(m_platform, this, pageNotWrittenMessage(path, error));
        return;
    }
    // A blank title became the default one on the page; so it does in the window, once the page is
    // written.
    if (const QString title = pageTitle(Text6->text()); title != Text6->text())
        Text6->setText(title);
    showMessage(m_platform, this, pageWrittenMessage());
}

} // namespace siteloom
