// Writes the hand pointer as a cursor file: draw_hand_pointer OUTPUT. Run when the program
// is built, so the picture beside the program is always the one drawn in hand_pointer.cpp.
#include "app/cursor_file.h"
#include "app/hand_pointer.h"

#include <QFile>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fputs("usage: draw_hand_pointer OUTPUT\n", stderr);
        return 2;
    }
    const veltrano::app::PointerPicture hand = veltrano::app::drawHandPointer();
    const QByteArray file = veltrano::app::encodeCursorFile(hand.picture, hand.hotSpot);
    QSaveFile out(QFile::decodeName(argv[1]));
    if (file.isEmpty() || !out.open(QIODevice::WriteOnly) || out.write(file) != file.size() || !out.commit()) {
        std::fprintf(stderr, "draw_hand_pointer: cannot write %s: %s\n", argv[1], qPrintable(out.errorString()));
        return 1;
    }
    return 0;
}
