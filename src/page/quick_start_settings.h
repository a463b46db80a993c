#pragma once

#include <QString>
#include <QStringList>

// The stored Quick Start page: its title and six BODY attributes, in PageProperties order.
// Read by the Quick Start command and edited through the preferences.
struct QuickStartSettings
{
    QString title;
    QStringList attributes;
};

// Raises the store's error for a value of the wrong type.
QuickStartSettings readQuickStartSettings();
void writeQuickStartSettings(const QuickStartSettings& settings);
