#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace picura {

class IniDocument;

namespace task {
inline const QString kFileName = QStringLiteral("批截任务.ini");
inline const QString kPositionSection = QStringLiteral("批截位置");
inline const QString kPositionKey = QStringLiteral("批截位置");
inline const QString kCountSection = QStringLiteral("最大位置");
inline const QString kCountKey = QStringLiteral("最大位置");
inline const QString kStateKey = QStringLiteral("操作记录");
inline const QString kNameKey = QStringLiteral("图片名");
inline const QString kNotCropped = QStringLiteral("未截图");
inline const QString kCropped = QStringLiteral("已截图");
inline const QString kMissing = QStringLiteral("已丢失");
}  // namespace task

// Window captions and messages of batch navigation.
inline const QString kProgramCaption = QStringLiteral("Picura V2.8");
inline const QString kAtFirstMessage = QStringLiteral("当前已是最初图片");
inline const QString kAtLastMessage = QStringLiteral("当前已是末位图片");
inline const QString kBatchMessageTitle = QStringLiteral("提示");
inline const QString kNoPicturesMessage = QStringLiteral("待截图文件夹中没有可截图的图片。");
// " 当前文件：" + name + "  " + state.
QString BatchCaption(const QString& name, const QString& state);

enum class BatchDirection { Previous, Current, Next };
// When a move writes the task file: at once, or when writePending() is called (the Main window writes it
// once the picture is on the screen, so that the write's flush to the disk never delays the picture).
enum class TaskWrite { Now, Later };
// Which picture the crop command has: the batch picture shown, or a file the
// operator opened or dropped while in batch mode.
enum class PictureSource { BatchPicture, OpenedFile };

// What the window does after a navigation request.
struct BatchView {
    enum class Outcome {
        Shown,      // load picturePath, set caption
        Missing,    // clear the view (the loaded picture is kept), set caption
        AtFirst,    // show message; nothing moved
        AtLast,     // show message; nothing moved
        Unchanged,  // nothing to do
    };
    Outcome outcome = Outcome::Unchanged;
    QString caption;
    QString picturePath;
    QString message;
    QString title;
};

// The batch task: the task file "批截任务.ini" in the settings folder, which
// lists the pictures of the source folder by position with their state and the
// current position, together with what the Main window keeps of it (picture
// count, current position and name). Every operation that changes the file reads
// it, changes it in memory and writes it once, through a temporary file.
class BatchCropTask {
  public:
    BatchCropTask(QString taskFilePath, QString sourceFolder);
    // A write still pending is made.
    ~BatchCropTask();
    BatchCropTask(const BatchCropTask&) = delete;
    BatchCropTask& operator=(const BatchCropTask&) = delete;
    static QString PathIn(const QString& settingsFolder);

    const QString& taskFilePath() const { return path_; }
    const QString& sourceFolder() const { return source_; }
    // Number of pictures of the task in memory; 0 = no task.
    int count() const { return count_; }
    // Position of the picture shown; 0 when none.
    int position() const { return position_; }
    const QString& currentName() const { return currentName_; }

    // A new task over `names` (at least one), replacing any former task file:
    // position 1, every picture not cropped. False when the file could not be written.
    bool create(const QStringList& names);
    // The settings window's start of a task: the former task file is removed and a
    // new task over the source folder's pictures written. Returns the number of
    // pictures; 0 leaves no task (the caller shows kNoPicturesMessage).
    int startOver();
    // Takes up the task of the file: count = its 最大位置 (0 when missing).
    void resume();
    // Batch mode ends: the file is kept for a later resume.
    void end();

    // Moves to the previous, the same or the next picture. Past the last one, new
    // pictures of the source folder are added first.
    // With TaskWrite::Later the new position is kept in memory, where every
    // operation of the task finds it, until writePending() or the next write.
    BatchView show(BatchDirection direction, TaskWrite write = TaskWrite::Now);
    // A navigation key: without a task, the source folder is scanned and a task over
    // its pictures starts at the first; otherwise show(direction).
    BatchView navigate(BatchDirection direction, TaskWrite write = TaskWrite::Now);
    // Writes what a move left to be written. False when nothing was pending; after a
    // write, writeError() tells whether it failed.
    bool writePending();
    // Adds the pictures that appeared in the source folder since the task was
    // written, in folder order, after the last position. True when any were added.
    bool appendNewPictures();
    // After a batch save: the batch picture shown is marked cropped (the task file
    // is not touched for an opened file). Returns the new caption.
    QString markCropped(PictureSource source, const QString& openedFilePath = QString());

    // The stored values, for tests and the resume question.
    QString storedName(int position) const;
    QString storedState(int position) const;
    int storedPosition() const;
    int storedCount() const;

    // Why the last write of the task file failed, for the operator; empty after a good write.
    const QString& writeError() const { return writeError_; }

  private:
    // Appends to `doc` the pictures of the folder not yet in it; the number added.
    int appendNew(IniDocument& doc);
    // The task as it stands: the file, or what a move left to be written.
    IniDocument load() const;
    bool saveDoc(const IniDocument& doc);

    QString path_;
    QString source_;
    int count_ = 0;
    int position_ = 0;
    QString currentName_;
    QString writeError_;
    std::unique_ptr<IniDocument> unsaved_;  // left to be written by writePending()
};

// The checks made before a batch is resumed with the stored settings.
struct ResumeCheck {
    enum class Step {
        Resume,        // go on: register the keys, resume(), show(Current)
        OpenSettings,  // the source folder is gone: open the settings window
        SaveFolder,    // show message, then open the settings window
        SameFolder,    // the save folder is the source folder: show message, open the settings window
    };
    Step step = Step::Resume;
    QString message;
    QString title;
};
ResumeCheck CheckResume(const QString& sourceFolder, const QString& saveFolder);
inline const QString kResumeQuestion = QStringLiteral("是否沿用上次批量截图设置，并继续上次操作？");
inline const QString kResumeQuestionTitle = QStringLiteral("询问：");

}  // namespace picura
