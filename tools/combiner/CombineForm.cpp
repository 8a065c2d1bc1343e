#include "tools/combiner/CombineForm.h"

#include "controls/GradButton.h"
#include "controls/Theme.h"
#include "platform/Messages.h"
#include "tools/combiner/Combine.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QShortcut>
#include <QThread>
#include <QTimer>

namespace {

std::filesystem::path toPath(const QString& text) {
    return std::filesystem::path(text.toStdString());
}

QString fromPath(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

// The combiner's buttons light up under the mouse.
TGradButton* hotTracking(TGradButton* button) {
    button->setHotTrack(true);
    return button;
}

} // namespace

TCombineForm::TCombineForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("CombineForm");
    setWindowTitle(tr("Quembly Combiner"));
    setPixelFont(this, "Tahoma", 11);
    setFixedSize(460, 172);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, theme::kWindowBlue);
    setPalette(pal);

    // Two rows, each a caption, a path field and its "Browse..." button.
    const auto row = [this](int top, const char* caption, const char* label, const char* edit,
                            const char* browse, QLabel*& labelOut, QLineEdit*& editOut) {
        labelOut = new QLabel(tr(caption), this);
        labelOut->setObjectName(label);
        labelOut->move(12, top + 4);
        labelOut->adjustSize();
        editOut = new QLineEdit(this);
        editOut->setObjectName(edit);
        editOut->setGeometry(104, top, 256, 21);
        labelOut->setBuddy(editOut);
        return hotTracking(
            makeDesertButton(this, browse, tr("Browse..."), QRect(368, top - 2, 80, 25)));
    };
    PieceBrowseBut = row(13, QT_TR_NOOP("First piece :"), "Label1", "PieceEdit", "PieceBrowseBut",
                         Label1, PieceEdit);
    OutputBrowseBut = row(47, QT_TR_NOOP("Combined ZIP :"), "Label2", "OutputEdit",
                          "OutputBrowseBut", Label2, OutputEdit);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setGeometry(12, 84, 436, 16);
    ProgressBar1->setRange(0, 1000);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    StatusLabel = new QLabel(this);
    StatusLabel->setObjectName("StatusLabel");
    StatusLabel->setGeometry(12, 104, 436, 28);
    StatusLabel->setWordWrap(true);

    CombineBut =
        hotTracking(makeDesertButton(this, "CombineBut", tr("Combine"), QRect(272, 138, 85, 25)));
    CombineBut->setDefault(true);
    CloseBut =
        hotTracking(makeDesertButton(this, "CloseBut", tr("Close"), QRect(363, 138, 85, 25)));

    poll_ = new QTimer(this);
    poll_->setInterval(100);
    connect(poll_, &QTimer::timeout, this, &TCombineForm::showProgress);
    connect(CombineBut, &TGradButton::clicked, this, &TCombineForm::CombineButClick);
    connect(CloseBut, &TGradButton::clicked, this, &TCombineForm::CloseButClick);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, CloseBut,
            &TGradButton::Click); // Escape closes, or cancels a combining in progress
    connect(PieceBrowseBut, &TGradButton::clicked, this, &TCombineForm::PieceBrowseButClick);
    connect(OutputBrowseBut, &TGradButton::clicked, this, &TCombineForm::OutputBrowseButClick);
}

TCombineForm::~TCombineForm() {
    if (worker_) {
        cancel_ = true;
        worker_->wait();
    }
}

void TCombineForm::setFirstPiece(const QString& path) {
    PieceEdit->setText(path);
    if (!OutputEdit->text().isEmpty())
        return;
    try {
        OutputEdit->setText(
            fromPath(combiner::suggestedOutput(combiner::findPieceSet(toPath(path)))));
    } catch (const combiner::CombineError&) {
        // What is wrong with the piece is told when the user presses "Combine".
    }
}

bool TCombineForm::isWorking() const {
    return worker_ != nullptr;
}

void TCombineForm::PieceBrowseButClick() {
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Choose the first piece"), QFileInfo(PieceEdit->text()).path(),
        tr("Pieces of split archives (*.z01 *.Z01 *.001 *.zip *.ZIP);;All files (*)"));
    if (!path.isEmpty()) {
        OutputEdit->clear();
        setFirstPiece(path);
    }
}

void TCombineForm::OutputBrowseButClick() {
    // The combiner asks itself before it replaces a file, after the dialog.
    const QString path = QFileDialog::getSaveFileName(this, tr("Save the combined archive as"),
                                                      OutputEdit->text(), tr("ZIP Files (*.zip)"),
                                                      nullptr, QFileDialog::DontConfirmOverwrite);
    if (!path.isEmpty())
        OutputEdit->setText(path);
}

void TCombineForm::CombineButClick() {
    if (worker_)
        return;
    const QString piece = PieceEdit->text().trimmed();
    QString output = OutputEdit->text().trimmed();
    if (piece.isEmpty()) {
        platform::messages().showMessage(
            tr("Choose the first piece of the split archive.").toStdString());
        return;
    }
    if (output.isEmpty()) {
        // Without a name the combined archive goes beside the pieces; finding them first
        // also tells what is wrong with the set.
        try {
            output = fromPath(combiner::suggestedOutput(combiner::findPieceSet(toPath(piece))));
        } catch (const combiner::CombineError& e) {
            platform::messages().showError(e.what());
            return;
        }
        OutputEdit->setText(output);
    }
    // A bare name puts the combined archive beside the pieces.
    if (QFileInfo(output).isRelative())
        output = QFileInfo(piece).absoluteDir().filePath(output);
    bool overwrite = false;
    if (QFileInfo::exists(output)) {
        if (!platform::messages().confirm(
                (tr("Overwrite Existing File: ") + QDir::toNativeSeparators(output) + "?")
                    .toStdString()))
            return;
        overwrite = true;
    }

    cancel_ = false;
    done_ = 0;
    total_ = 0;
    ok_ = false;
    cancelled_ = false;
    outcome_.clear();
    const std::filesystem::path piecePath = toPath(piece), outputPath = toPath(output);
    worker_ = QThread::create([this, piecePath, outputPath, overwrite] {
        combiner::Progress progress;
        progress.cancel = &cancel_;
        progress.report = [this](std::uint64_t done, std::uint64_t total) {
            total_ = total;
            done_ = done;
        };
        try {
            const combiner::Summary s =
                combiner::combine(piecePath, outputPath, overwrite, progress);
            ok_ = true;
            outcome_ = tr("The split archive was put together as %1 from %2 pieces; its %3 "
                          "entries passed their check.")
                           .arg(fromPath(outputPath))
                           .arg(s.pieces)
                           .arg(s.entries);
        } catch (const combiner::Cancelled& e) {
            cancelled_ = true;
            outcome_ = e.what();
        } catch (const std::exception& e) {
            outcome_ = QString::fromStdString(e.what());
        }
    });
    connect(worker_, &QThread::finished, this, &TCombineForm::workDone);
    setWorking(true);
    StatusLabel->setText(tr("Combining the pieces..."));
    ProgressBar1->setValue(0);
    worker_->start();
    poll_->start();
}

void TCombineForm::CloseButClick() {
    if (worker_)
        cancel_ = true;
    else
        close();
}

void TCombineForm::closeEvent(QCloseEvent* event) {
    if (worker_) {
        cancel_ = true;
        worker_->wait();
        workDone();
    }
    event->accept();
}

void TCombineForm::setWorking(bool working) {
    PieceEdit->setEnabled(!working);
    OutputEdit->setEnabled(!working);
    PieceBrowseBut->setEnabled(!working);
    OutputBrowseBut->setEnabled(!working);
    CombineBut->setEnabled(!working);
    CloseBut->setCaption(working ? tr("Cancel") : tr("Close"));
}

void TCombineForm::showProgress() {
    const std::uint64_t total = total_, done = done_;
    if (total > 0)
        ProgressBar1->setValue(
            static_cast<int>(std::min<std::uint64_t>(done, total) * 1000 / total));
}

void TCombineForm::workDone() {
    if (!worker_)
        return;
    worker_->wait();
    worker_->deleteLater();
    worker_ = nullptr;
    poll_->stop();
    setWorking(false);
    ProgressBar1->setValue(ok_ ? ProgressBar1->maximum() : 0);
    StatusLabel->setText(outcome_);
    if (ok_)
        platform::messages().showMessage(outcome_.toStdString());
    else if (!cancelled_)
        platform::messages().showError(outcome_.toStdString());
    emit finished(ok_);
}
