// Loading the embedded string tables and bridging them to the localisation seam.
#include "ui/translations.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <string>

namespace scandesk {
namespace {

const char* const kTableName = "scandesk";
const char* const kTableDirectory = ":/i18n";
const char* const kFallbackTable = "scandesk_en";

// The key's text from the installed translators; a key without an entry is itself.
std::string translate(std::string_view key) {
    const std::string source(key);
    return QCoreApplication::translate(kTranslationContext, source.c_str()).toStdString();
}

}  // namespace

ScopedTranslations::ScopedTranslations(const QLocale& locale)
    : translator_(std::make_unique<QTranslator>()) {
    if (!translator_->load(locale, kTableName, "_", kTableDirectory)) {
        // A locale without a table of its own reads English rather than bare keys.
        (void)translator_->load(kFallbackTable, kTableDirectory);
    }
    QCoreApplication::installTranslator(translator_.get());
    previous_ = setLocalizer(translate);
}

ScopedTranslations::~ScopedTranslations() {
    setLocalizer(std::move(previous_));
    QCoreApplication::removeTranslator(translator_.get());
}

QString ScopedTranslations::language() const {
    return translator_->language();
}

QString displayText(std::string_view key) {
    return QString::fromStdString(localized(key));
}

QString withoutMnemonic(const QString& text) {
    // Languages without Latin letters name the key in brackets after the text.
    static const QRegularExpression bracketed(R"(\s*[(（]&[^&][)）])");
    static const QRegularExpression marker("&(.)");
    QString plain = text;
    plain.remove(bracketed);
    return plain.replace(marker, "\\1");
}

}  // namespace scandesk
