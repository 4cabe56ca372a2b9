// The window's string tables: the embedded translation for the system locale.
#pragma once

#include <QLocale>
#include <QString>
#include <QTranslator>
#include <memory>
#include <string_view>

#include "common/localization.h"

namespace scandesk {

/// The translation context every key of the string tables lives in.
inline constexpr const char* kTranslationContext = "scandesk";

/// Installs the embedded string table for a locale (English when the locale has none)
/// into the application and routes `localized` through it; undoes both when destroyed.
class ScopedTranslations {
  public:
    explicit ScopedTranslations(const QLocale& locale = QLocale::system());
    ~ScopedTranslations();
    ScopedTranslations(const ScopedTranslations&) = delete;
    ScopedTranslations& operator=(const ScopedTranslations&) = delete;

    /// The language of the loaded table, such as "en" or "zh_CN".
    QString language() const;

  private:
    std::unique_ptr<QTranslator> translator_;
    Localizer previous_;
};

/// The display text of a key through the installed lookup, as a Qt string.
QString displayText(std::string_view key);

/// A label's text without its mnemonic marker, for places that show no mnemonic
/// (placeholders): "Sa&ve to" -> "Save to", "保存到(&V)" -> "保存到", "&&" -> "&".
QString withoutMnemonic(const QString& text);

}  // namespace scandesk
