#pragma once

#include <QComboBox>

namespace quorvane::app {

/// The boot flag of a record as a choice: "Boots" (written as "1") or "Does
/// not boot" ("2"). A new record starts unset (no choice shown). A record
/// loaded from a file may hold another text; it is shown as it is, as an
/// entry of its own, and kept until the user chooses.
class BootFlagBox : public QComboBox {
    Q_OBJECT
public:
    explicit BootFlagBox(QWidget* parent = nullptr);

    /// "1" or "2" for a choice, the kept text of a loaded record, "" when unset.
    QString Flag() const;
    /// Shows `flag`: its choice for "1" and "2", none for "", and any other
    /// text as it is.
    void SetFlag(const QString& flag);
    /// True when "Boots" or "Does not boot" is chosen.
    bool IsChosen() const;
};

} // namespace quorvane::app
