// Check Site: every page of the site folder, findings in the Check Page panel.
#include "app/main_form.h"

#include "check/check_panel.h"
#include "core/file_names.h"
#include "core/prompter.h"

void TMainForm::CheckSite1Click()
{
    const QString folder = siteFolder();
    if (folder.isEmpty()) {
        prompter().inform(this, QStringLiteral("Check Site"),
                          QStringLiteral("An untitled page has no site folder yet: save it "
                                         "first, or open a site."));
        return;
    }
    showCheckPanel();
    const QString& name = DocumentFileName();
    CheckPanel->startSite(folder, name == kUntitled ? QString() : absoluteFileName(name));
}
