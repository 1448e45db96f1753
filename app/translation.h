#ifndef TRANSLATION_H
#define TRANSLATION_H

class QString;

// The texts that are not pictures (message boxes, accessible names) in the language of
// the picture folder: installs the embedded German or Russian translator for "de" or
// "ru" and removes it for "eng" (or any other folder), where the source texts show.
void use_translation(const QString &folder);

#endif // TRANSLATION_H
