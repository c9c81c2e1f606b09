#pragma once

#include <QString>
#include <QStringList>

namespace vantry {

// What a trace line is about; each topic prints with its own bracketed tag.
enum class TraceTopic { import, recount, workspace, scanSession, scanManifest, training };

// Progress lines of the batch operations on standard output ("[import] committed 12 items"),
// for whoever runs the application from a terminal. Callable from any thread.
class StdoutTrace {
public:
    // "[import]", "[recount]", "[workspace]", "[scan-session]", "[scan-manifest]", "[training]".
    static QString tag(TraceTopic topic);

    // Prints "<tag> <message>" as one line.
    static void print(TraceTopic topic, const QString& message);
    // Prints one whole line as it is.
    static void printLine(const QString& line);

    // While a capture lives, lines go to it instead of standard output (the latest capture
    // wins; it hands back to the one before when it ends). For tests.
    class Capture {
    public:
        Capture();
        ~Capture();
        Capture(const Capture&) = delete;
        Capture& operator=(const Capture&) = delete;

        QStringList lines() const;
        // The lines that begin with the topic's tag.
        QStringList lines(TraceTopic topic) const;

    private:
        friend class StdoutTrace;
        void append(const QString& line);

        Capture* previous_ = nullptr;
        QStringList lines_;
    };
};

} // namespace vantry
