#include "main1/main1.h"

#include "main1/main1_messages.h"
#include "page/linkpage.h"
#include "platform.h"
#include "text/textfile.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

using namespace Qt::StringLiterals;

namespace siteloom {

// "html 作成": writes the link page from the list and the page options into the base directory.
// The page is written whole or not at all; the success message comes only after it is in place.
void main1::Command4_Click()
{
    if (const QString problem = pageInputsProblem(List1->count(), Text4->text()); !problem.isEmpty()) {
        showMessage(m_platform, this, problem);
        return;
    }

    // A blank title becomes the default one, in the window as on the page.
    const QString title = pageTitle(Text6->text());
    if (title != Text6->text())
        Text6->setText(title);

    QString path;
    FileError error;
    if (!writePageFile(Label1->text(), pageInputs(), &path, &error)) {
        QString message = pageNotWrittenMessage(path, error);
        if (Label1->text().isEmpty())
            message += u'\n' + chooseBaseDirectoryHint();
        showMessage(m_platform, this, message);
        return;
    }
    showMessage(m_platform, this, pageWrittenMessage());
}

} // namespace siteloom
