// The main window's answers to the libraries' requests for an archive's own password: the
// prompt, and the password kept in memory for the archive shown.
#include "app/MainWindow.h"

#include "archive/LibCallBack.h"
#include "dialogs/ArchivePasswordPrompt.h"

#include <QFileInfo>

bool TMainform::Archiver1Password(std::int32_t reason, const std::string& name,
                                  std::string& password) {
    const std::string& archive = Archiver1.ZipFilename();
    // A password kept for another archive is never handed out.
    if (archivePasswordFor_ != archive)
        forgetArchivePassword();
    QString notice;
    if (reason == PasswordWrong) {
        forgetArchivePassword();
        // Entry names come as stored; they are shown by the rule the table uses.
        notice = tr("Wrong password for %1")
                     .arg(QString::fromStdString(isValidUtf8(name) ? name : cp437ToUtf8(name)));
    } else if (reason == PasswordToRead && !archivePassword_.empty()) {
        password = archivePassword_;
        return true;
    }
    const bool encrypting = reason == PasswordToEncrypt;
    TArchivePassword prompt(this);
    if (!prompt.Ask(encrypting ? TArchivePassword::Purpose::Encrypt
                               : TArchivePassword::Purpose::Read,
                    QFileInfo(QString::fromStdString(archive)).fileName(), notice, password))
        return false;
    if (!encrypting) {
        archivePassword_ = password;
        archivePasswordFor_ = archive;
    }
    return true;
}

void TMainform::forgetArchivePassword() {
    wipeSecret(archivePassword_);
    archivePasswordFor_.clear();
}
