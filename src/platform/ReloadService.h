#pragma once

#include <QObject>

namespace hf {

// The request to load the album again, sent on the session bus by whatever
// has just synchronised the handheld:
//   service org.quillmere.Handfolio, object /org/quillmere/Handfolio,
//   interface org.quillmere.Handfolio, method Reload().
// Activate() brings the running program's window to the front: a second
// start of the program hands over to the first that way.
class ReloadService final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quillmere.Handfolio")
public:
    static constexpr const char* kService = "org.quillmere.Handfolio";
    static constexpr const char* kPath = "/org/quillmere/Handfolio";

    explicit ReloadService(QObject* parent = nullptr);
    ~ReloadService() override;
    Q_DISABLE_COPY_MOVE(ReloadService)
    // Registers on the session bus; false when there is none or the name is
    // taken by another running Handfolio.
    bool registerOnSessionBus();

    // When a Handfolio already runs in this desktop session, asks it to come
    // to the front and answers true: this start then has nothing to do.
    static bool handOverToRunningProgram();

public slots:
    Q_SCRIPTABLE void Reload();
    Q_SCRIPTABLE void Activate();

signals:
    void reloadRequested();
    void activateRequested();

private:
    bool registered_ = false;
};

}  // namespace hf
