// The window that lists the outside components shipped with the program, each with its role,
// version, source, licence, copyright and full licence text. One window is kept for the life of
// its owner: closing hides it, so showing it again restores its size and position.
#pragma once

#include "ui/acknowledgements.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace bw::ui {

class AcknowledgementsWindow : public QWidget {
    Q_OBJECT

public:
    using LicenceText = std::function<std::optional<std::string>(const Acknowledgement&)>;

    AcknowledgementsWindow(const std::vector<Acknowledgement>& entries,
                           const LicenceText& licenceText, QWidget* parent = nullptr);

    // Shows the window (centred the first time), raises it and gives it the focus.
    void present();

private:
    bool m_placed = false;
};

} // namespace bw::ui
