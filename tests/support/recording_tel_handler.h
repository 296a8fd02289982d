#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A desktop of its own, in scratch XDG folders, whose program for tel: links only writes down
// the links it is given; a web browser there writes down what it is given too, which must stay
// nothing. A program run in environment() places its calls here, through xdg-mime and
// xdg-open as on a real desktop.
class RecordingTelHandler {
public:
    RecordingTelHandler();

    QProcessEnvironment environment() const { return environment_; }
    // Where the desktop keeps a user's data ($XDG_DATA_HOME): a menu launch's contacts live in
    // zarvoth/ below it.
    QString dataHome() const;

    // The links handed over so far, once `count` of them are there or the seconds have passed.
    QStringList handled(int count = 1, int seconds = 10) const;
    // What reached the web browser: never anything.
    QString browsed() const;

    // The desktop then has no program for tel: links.
    void removeProgram();

private:
    QTemporaryDir dir_;
    QProcessEnvironment environment_;
};
