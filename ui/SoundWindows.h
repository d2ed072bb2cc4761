// The sound-file windows: frmSoundfiles, fifty numbered slots with a file name
// each, and frmSoundOpenFile, the list of sound files to pick one for a slot.
// Both play files through the announcer's audio output.
#pragma once

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <array>

#include "ui/ProgramWindow.h"
#include "ui/UiContext.h"

namespace zk {

class SoundFilesWindow : public ProgramWindow {
    Q_OBJECT
public:
    explicit SoundFilesWindow(UiContext& ctx);
    int Slot() const { return slot_; }
    // Stores `file` in the slot that asked for it and shows it.
    void SetSlotFile(const QString& file);
    // Plays a file of the sound folders; says so when it cannot.
    static void PlayFile(UiContext& ctx, QWidget* parent, const QString& file);

protected:
    void Closing(QCloseEvent* e) override;

private:
    UiContext& ctx_;
    int slot_ = 1;
    std::array<QLabel*, 51> lblSound{};
};

class SoundOpenFileWindow : public ProgramWindow {
    Q_OBJECT
public:
    explicit SoundOpenFileWindow(UiContext& ctx);

private:
    UiContext& ctx_;
    QListWidget* lstDateien = nullptr;  // object name "File1"
};

}  // namespace zk
