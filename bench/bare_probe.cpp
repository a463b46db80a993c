// The smallest program that shows what the editor shows: a QMainWindow with a bare
// QsciScintilla, optionally holding the bytes of one file, ending once the window is shown.
// With a file it is the lean floor: no undo copy of the load, no change notices.
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
