#include "page/quick_start_settings.h"

#include "core/settings_store.h"

namespace {
// In PageProperties::Attribute order.
const SettingKey* const kAttributeKeys[] = {
    &Setting::QuickStartBgImage,   &Setting::QuickStartBgColor,    &Setting::QuickStartTextColor,
    &Setting::QuickStartLinkColor, &Setting::QuickStartVLinkColor, &Setting::QuickStartALinkColor,
};
} // namespace

QuickStartSettings readQuickStartSettings()
{
    QuickStartSettings settings;
    settings.title = ReadSetting(Setting::DefaultTitle);
    for (const SettingKey* key : kAttributeKeys)
        settings.attributes.append(ReadSetting(*key));
    return settings;
}

void writeQuickStartSettings(const QuickStartSettings& settings)
{
    WriteSetting(Setting::DefaultTitle, settings.title);
    // The colours first and the picture last, as the preferences have always stored them.
    for (int i : {1, 2, 3, 4, 5, 0})
        WriteSetting(*kAttributeKeys[i], settings.attributes.value(i));
}
