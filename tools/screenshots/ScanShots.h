#pragma once

#include <QString>

// Pictures of the scanner's source selection and its progress dialog.
namespace shots {

bool scanSourceShot(const QString& file);
bool scanProgressShot(const QString& file);

}  // namespace shots
