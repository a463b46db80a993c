#include "app/icons.h"

#include <QFile>
#include <QSet>

// Our pictures live in a static library, so the resource is pulled in by hand (and outside
// any namespace, as the macro requires).
static void initIconResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    Q_UNUSED(done);
}

namespace {

// Names from the freedesktop icon naming list: here the user's desktop theme wins.
const QSet<QString>& themeNames()
{
    static const QSet<QString> names = {
        QStringLiteral("document-new"),       QStringLiteral("document-open"),
        QStringLiteral("document-save"),      QStringLiteral("document-properties"),
        QStringLiteral("edit-undo"),          QStringLiteral("edit-cut"),
        QStringLiteral("edit-copy"),          QStringLiteral("edit-paste"),
        QStringLiteral("insert-image"),       QStringLiteral("insert-link"),
        QStringLiteral("help-contents"),      QStringLiteral("format-text-bold"),
        QStringLiteral("format-text-italic"), QStringLiteral("format-text-underline"),
    };
    return names;
}

} // namespace

QIcon vorlaneIcon(const QString& name)
{
    initIconResources();
    const QString file = QStringLiteral(":/icons/%1.svg").arg(name);
    const QIcon ours = QFile::exists(file) ? QIcon(file) : QIcon();
    return themeNames().contains(name) ? QIcon::fromTheme(name, ours) : ours;
}
