#pragma once

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QProgressBar;
class QPushButton;
struct TOutputProgress;

// "一続きのファイルとして出力中です。": the progress window of an export
// (TFormOutput). Shown without a nested event loop; while it shows, the rest
// of the program takes no input, and its cancel button stops the export.
class TFormOutput : public QDialog {
    Q_OBJECT
public:
    explicit TFormOutput(QWidget* parent = nullptr);

    // Callbacks for the export engine. itemStarting throws
    // EOutputCancelled once Cancel() was called.
    TOutputProgress progress();
    void Cancel() { m_cancelled = true; }
    bool cancelled() const { return m_cancelled; }
    // Called before each item (tests cancel from here).
    static std::function<void(TFormOutput& form, int position)> ItemHook;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* ButtonCancel = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void start(const QString& caption, int maximum);
    void itemStarting(int position, int maximum);

    QElapsedTimer m_sinceRepaint;
    bool m_cancelled = false;
};

// An export stopped by the user.
class EOutputCancelled {};
