#include "support/google_front.h"

GoogleFront::GoogleFront(const QUrl& backend, const QUrl& introspection, const QString& bookPath)
    : process_(QStringLiteral("python3"),
               {QStringLiteral(ZARVOTH_GOOGLE_FRONT), backend.toString(), introspection.toString(),
                bookPath},
               "the Google front")
{
}
