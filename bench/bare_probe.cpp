// The smallest program that shows what the editor shows, ending once the window is shown.
// Without a file: a QMainWindow with a bare QsciScintilla set up to show a page as the editor's
// fresh settings do (Arial 9, HTML highlighting in that one font), so both programs pay for
// the same font and lexer. With a file it is the lean floor: the file's bytes, no undo copy of
// the load, no change notices, nothing else.
#include <Qsci/qscilexerhtml.h>
#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QTimer>

#include "probe_ready.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    auto* editor = new QsciScintilla(&window);
    if (argc <= 1) {
        const QFont font(QStringLiteral("Arial"), 9);
        auto* lexer = new QsciLexerHTML(editor);
        lexer->setDefaultFont(font);
        lexer->setFont(font); // every style
        editor->setLexer(lexer);
    }
    window.setCentralWidget(editor);
    window.resize(606, 452);
    if (argc > 1) {
        QFile file(QString::fromLocal8Bit(argv[1]));
        if (!file.open(QIODevice::ReadOnly))
            return 2;
        const QByteArray bytes = file.readAll();
        editor->SendScintilla(QsciScintillaBase::SCI_SETUNDOCOLLECTION, 0L);
        editor->SendScintilla(QsciScintillaBase::SCI_SETMODEVENTMASK, 0L);
        editor->SendScintilla(QsciScintillaBase::SCI_APPENDTEXT,
                              static_cast<unsigned long>(bytes.size()), bytes.constData());
    }
    window.show();
    // Two turns of the event loop after the show, as the editor's probe waits for its
    // start-up sequence and then one more turn.
    QTimer::singleShot(0, &app, [&app] { QTimer::singleShot(0, &app, &reportReady); });
    return app.exec();
}
