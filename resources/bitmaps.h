#pragma once

#include <QIcon>
#include <QImage>

// A bitmap resource as drawn: its pure green RGB(0, 255, 0) background made transparent. A null
// image for an id the resources do not hold.
QImage LoadBitmapResource(int id);

// The monitor of a computer row for a screen class: large on class 2, small otherwise.
int ComputerBitmapId(int screenClass);

// The picture of a command row by its item data (0 Dormo, 1 Sleep, 2 Hibernate, 3 Lock,
// 4 Restart): medium on class 2, small otherwise; -1 for other item data.
int CommandBitmapId(int itemData, int screenClass);

// The program's icon in all its sizes.
QIcon AppIcon();
