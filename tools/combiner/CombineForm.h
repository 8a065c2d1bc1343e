#pragma once
// TCombineForm: the combiner's window. The user names a piece of a split archive and the
// combined archive to write, and presses "Combine"; the joining and checking run on a worker
// thread, so the window stays responsive, shows progress, and "Cancel" stops the work
// without leaving a file behind.
#include <QString>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <memory>

class QLabel;
class QLineEdit;
class QProgressBar;
class QThread;
class QTimer;
class TGradButton;

class TCombineForm : public QWidget {
    Q_OBJECT
public:
    explicit TCombineForm(QWidget* parent = nullptr);
    ~TCombineForm() override;

    QLabel* Label1 = nullptr;
    QLineEdit* PieceEdit = nullptr;
    TGradButton* PieceBrowseBut = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* OutputEdit = nullptr;
    TGradButton* OutputBrowseBut = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* StatusLabel = nullptr;
    TGradButton* CombineBut = nullptr;
    TGradButton* CloseBut = nullptr; // "Cancel" while the work runs

    // Puts PATH into the piece field and proposes a name for the combined archive when the
    // output field is empty.
    void setFirstPiece(const QString& path);
    bool isWorking() const;

    void CombineButClick();
    void CloseButClick();
    void PieceBrowseButClick();
    void OutputBrowseButClick();

signals:
    // The work has ended: OK tells whether the combined archive was written.
    void finished(bool ok);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void setWorking(bool working);
    void showProgress();
    void workDone();

    QThread* worker_ = nullptr;
    QTimer* poll_ = nullptr;
    std::atomic<bool> cancel_{false};
    std::atomic<std::uint64_t> done_{0};
    std::atomic<std::uint64_t> total_{0};
    // Written by the worker, read after it has finished.
    bool ok_ = false;
    bool cancelled_ = false;
    QString outcome_;
};
