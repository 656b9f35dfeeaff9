// The settings dialog's pictures: the start algorithm on and off beside "Ein" and "Aus", and
// the course with its three barrier positions for the chosen scheme.
#pragma once

#include <QIcon>
#include <QWidget>

namespace caniparc::ui {

QIcon AlgorithmPicture(bool on);
QSize AlgorithmPictureSize();

class SchemePicture final : public QWidget {
    Q_OBJECT
public:
    explicit SchemePicture(QWidget* parent = nullptr);
    void SetScheme(int scheme); // 0 = A, 1 = B, 2 = C
    int Scheme() const { return scheme_; }
    QSize sizeHint() const override { return {260, 92}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int scheme_ = 1;
};

} // namespace caniparc::ui
