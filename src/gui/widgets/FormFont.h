// The font the forms are laid out for: 12 pixels (9 points at 96 dots per inch), a face with
// Chinese glyphs first, so that positions given in twips (15 to a pixel) leave room for
// every caption.
#pragma once

#include <QFont>

namespace kyq {

QFont FormFont();

}  // namespace kyq
