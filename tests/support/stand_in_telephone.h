#pragma once

#include "dialing/telephone.h"

#include <QList>
#include <QString>
#include <QUrl>

// Takes the calls the dialer places, in the place of the desktop's telephone, for as long as
// it lives; a test sets what the desktop offers.
class StandInTelephone final : public Telephone {
public:
    StandInTelephone() { useTelephone(this); }
    ~StandInTelephone() override { useTelephone(nullptr); }
    StandInTelephone(const StandInTelephone&) = delete;
    StandInTelephone& operator=(const StandInTelephone&) = delete;

    bool behindPortal() override { return sandboxed; }
    QString telProgram() override { return program; }
    bool open(const QUrl& uri) override
    {
        if (starts)
            calls.append(uri);
        return starts;
    }

    bool sandboxed = false;
    QString program = QStringLiteral("org.gnome.Calls.desktop"); // empty: no program for tel:
    bool starts = true;
    QList<QUrl> calls;
};
