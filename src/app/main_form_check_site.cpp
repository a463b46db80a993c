// Check Site: every page of the site folder, findings in the Check Page panel.
#include "app/main_form.h"

#include "check/check_panel.h"
#include "core/file_names.h"
#include "core/prompter.h"
#include "core/site_folder.h"

#include <QDir>

QString TMainForm::checkSiteFolder() const
{
    const QString& name = DocumentFileName();
    return name == kUntitled ? QString()
                             : siteFolderFor(absoluteFileName(name), QString(), QDir::homePath());
}

void TMainForm::CheckSite1Click()
{
    const QString folder = checkSiteFolder();
    if (folder.isEmpty()) {
        prompter().inform(this, QStringLiteral("Check Site"),
                          QStringLiteral("An untitled page has no site folder yet: save it "
                                         "first."));
        return;
    }
    showCheckPanel();
    CheckPanel->startSite(folder, absoluteFileName(DocumentFileName()));
}
