// The live preview pane beside the editor and its Tools switches.
#include "app/main_form.h"

#include "core/command_guard.h"
#include "core/file_names.h"
#include "core/prompter.h"
#include "core/settings_store.h"
#include "editor/margin_rich_edit.h"
#include "preview/live_preview_pane.h"

#include <QAction>
#include <QSplitter>

void TMainForm::restoreLivePreview()
{
    const bool follow = ReadFlag(Setting::PreviewFollowsCaret);
    action("PreviewFollowsCaret1")->setChecked(follow);
    action("PreviewRunsScripts1")->setChecked(ReadFlag(Setting::PreviewScripts));
    if (ReadFlag(Setting::LivePreview)) {
        action("LivePreview1")->setChecked(true);
        showLivePreview(true);
    }
}

void TMainForm::LivePreview1Click()
{
    const bool shown = action("LivePreview1")->isChecked();
    if (!shown)
        storeLivePreviewWidth();
    showLivePreview(shown);
    WriteFlag(Setting::LivePreview, shown);
    RichEdit1->FocusEditor();
}

void TMainForm::PreviewFollowsCaret1Click()
{
    const bool follow = action("PreviewFollowsCaret1")->isChecked();
    if (LivePreviewPane)
        LivePreviewPane->setFollowCaret(follow);
    WriteFlag(Setting::PreviewFollowsCaret, follow);
}

void TMainForm::PreviewRunsScripts1Click()
{
    const bool run = action("PreviewRunsScripts1")->isChecked();
    if (LivePreviewPane)
        LivePreviewPane->setRunsScripts(run);
    WriteFlag(Setting::PreviewScripts, run);
}

void TMainForm::showLivePreview(bool shown)
{
    if (!shown) {
        if (LivePreviewPane)
            LivePreviewPane->hide();
        return;
    }
    if (!LivePreviewPane) {
        placeInSplitters();
        LivePreviewPane = new TLivePreviewPane(RichEdit1, LivePreviewSplitter);
        LivePreviewPane->setDocumentPath(document_.isUntitled() ? QString() : document_.fileName());
        LivePreviewPane->setSiteFolderSource([this] { return siteFolder(); });
        LivePreviewPane->setFollowCaret(action("PreviewFollowsCaret1")->isChecked());
        LivePreviewPane->setRunsScripts(action("PreviewRunsScripts1")->isChecked());
        LivePreviewSplitter->addWidget(LivePreviewPane);
        connect(LivePreviewPane, &TLivePreviewPane::webLinkClicked, this,
                [this](const QUrl& url) { runGuarded(this, [&] { LoadUrl(url.toString()); }); });
        connect(LivePreviewPane, &TLivePreviewPane::localPageClicked, this,
                [this](const QString& path) { runGuarded(this, [&] { openLinkedPage(path); }); });
    }
    // The stored width, or half the room.
    const int total = LivePreviewSplitter->width();
    bool ok = false;
    int width = ReadSetting(Setting::LivePreviewWidth).toInt(&ok);
    if (!ok || width <= 0)
        width = total / 2;
    width = qBound(0, width, qMax(0, total - 50));
    LivePreviewPane->show();
    LivePreviewSplitter->setSizes({total - width, width});
}

void TMainForm::storeLivePreviewWidth()
{
    if (LivePreviewPane && LivePreviewPane->isVisible())
        WriteSetting(Setting::LivePreviewWidth, QString::number(LivePreviewPane->width()));
}

void TMainForm::openLinkedPage(const QString& path)
{
    if (prompter().ask(this, QStringLiteral("Confirm"),
                       QStringLiteral("Open %1 in the editor?").arg(path)) != Prompter::Answer::Yes)
        return;
    reopenFile(path);
}
