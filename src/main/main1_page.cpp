#include "main/main1.h"

#include "page/linkpage.h"
#include "platform/platform.h"
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
    if (List1->count() <= 0) {
        showMessage(m_platform, this, u"項目を追加してください。"_s);
        return;
    }
    if (Text4->text().isEmpty()) {
        showMessage(m_platform, this, u"ｈｔｍｌファイル名を入れてください。"_s);
        return;
    }

    // A blank title becomes the default one, in the window as on the page.
    const QString title = pageTitle(Text6->text());
    if (title != Text6->text())
        Text6->setText(title);

    QString path;
    FileError error;
    if (!writePageFile(Label1->text(), pageInputs(), &path, &error)) {
        showMessage(m_platform, this, u"ページを書き込めませんでした。\n%1\n%2"_s.arg(path, error.reason));
        return;
    }
    showMessage(m_platform, this, u"作成しました。"_s);
}

} // namespace siteloom
