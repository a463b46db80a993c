#include "app/main_form.h"
#include "core/app_error.h"
#include "core/document_codec.h"
#include "editor/margin_rich_edit.h"
#include "page/page_properties.h"
#include "support/fuzz_checks.h"
#include "support/scripted_prompter.h"
#include "support/test_main.h"

#include <QDir>
#include <QFileInfo>

#include <memory>

namespace {

// The fuzzers' seeds and every input a fuzzer ever crashed on, for one target.
QStringList keptInputs(const QString& target)
{
    QStringList files;
    for (const QString& folder :
         {QStringLiteral("fuzz/corpus/"), QStringLiteral("tests/regressions/")}) {
        const QDir dir(sourceDir() + QLatin1Char('/') + folder + target);
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden, QDir::Name))
            files.append(dir.filePath(name));
    }
    return files;
}

void addInputRows(const QString& target)
{
    for (const QString& file : keptInputs(target)) {
        // "corpus/seed" or "regressions/crash-...": where the input is kept, and its name.
        const QString kept = QFileInfo(QFileInfo(file).path()).path().section(QLatin1Char('/'), -1);
        QTest::addRow("%s %s/%s", qPrintable(target), qPrintable(kept),
                      qPrintable(QFileInfo(file).fileName()))
            << target << file;
    }
}

} // namespace

class FuzzRegressionsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { clearSettings(); }

    void everyTargetHasSeeds()
    {
        for (const QString& target : FuzzChecks::targets())
            QVERIFY2(!keptInputs(target).isEmpty(), qPrintable(target));
    }

    // Each kept input goes through the same check the fuzz target runs.
    void replay_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("file");
        for (const QString& target : FuzzChecks::targets())
            addInputRows(target);
        if (sourceDir().isEmpty())
            QTest::newRow("no source folder") << QString() << QString();
    }
    void replay()
    {
        QFETCH(QString, target);
        QFETCH(QString, file);
        if (file.isEmpty())
            QFAIL("the kept inputs were not found in the source folder");
        const QString problem = FuzzChecks::check(target, readFile(file));
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    // The page properties command on the editor does what the checked functions do.
    void generateBodyInTheEditor_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("file");
        addInputRows(QStringLiteral("body_tag"));
        if (sourceDir().isEmpty())
            QTest::newRow("no source folder") << QString() << QString();
    }
    void generateBodyInTheEditor()
    {
        QFETCH(QString, file);
        if (file.isEmpty())
            QFAIL("the kept inputs were not found in the source folder");
        using namespace PageProperties;
        const QString page = normalizeLineEnds(QString::fromUtf8(readFile(file)));
        if (!form_) {
            prompter_ = std::make_unique<ScriptedPrompter>();
            form_ = std::make_unique<TMainForm>();
        }
        form_->editor()->SetEditorText(page);
        const BodyTag tag = findBodyTag(page);
        QStringList values = extractBodyAttributes(bodyAttributeText(page, tag));
        values[BgColor] = QStringLiteral("#FFFFFF");
        try {
            form_->GenerateBody(values[BgImage], values[BgColor], values[TextColor],
                                values[LinkColor], values[VLinkColor], values[ALinkColor]);
            QVERIFY(tag.found());
        } catch (const AppError& e) {
            QVERIFY(!tag.found());
            QCOMPARE(e.message(), noBodyTagMessage());
            QCOMPARE(form_->editor()->EditorText(), page);
            return;
        }
        QCOMPARE(form_->editor()->EditorText(),
                 FuzzChecks::pageWithBodyTag(page, buildBodyTag(values)));
    }

    // Find and Replace All in the editor agree on where the first match lies, in the editor's
    // UTF-16 positions: what Find selects is what Replace All replaces first.
    void findInTheEditor_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("file");
        addInputRows(QStringLiteral("text_search"));
        if (sourceDir().isEmpty())
            QTest::newRow("no source folder") << QString() << QString();
    }
    void findInTheEditor()
    {
        QFETCH(QString, file);
        if (file.isEmpty())
            QFAIL("the kept inputs were not found in the source folder");
        const auto [needle, text] = FuzzChecks::textSearchParts(readFile(file));
        if (!form_) {
            prompter_ = std::make_unique<ScriptedPrompter>();
            form_ = std::make_unique<TMainForm>();
        }
        TMarginRichEdit* editor = form_->editor();
        editor->SetEditorText(text);
        const QString before = editor->EditorText();
        const int found = editor->FindText(needle, 0);
        // A character no kept input holds marks the replacements.
        const int replaced = editor->ReplaceAllText(needle, QStringLiteral("\u0001"));
        QCOMPARE(replaced > 0, found >= 0);
        if (found < 0)
            return;
        const QString after = editor->EditorText();
        QCOMPARE(after.left(found), before.left(found));
        QCOMPARE(after.at(found), QChar(1));
        QCOMPARE(after.count(QChar(1)), replaced);
    }

    void cleanupTestCase()
    {
        form_.reset();
        prompter_.reset();
    }

private:
    std::unique_ptr<ScriptedPrompter> prompter_;
    std::unique_ptr<TMainForm> form_;
};

VORLANE_TEST_MAIN(FuzzRegressionsTest)
#include "fuzz_regressions_test.moc"
