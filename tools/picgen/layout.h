#pragma once

#include <QRect>

// Where the window's widgets sit (x, y, width, height inside the 1000 x 650 window). The
// background leaves these places free, and the pictures are drawn for their sizes.
namespace picgen::layout {

constexpr QSize window(1000, 650);

constexpr QRect device(105, 20, 293, 40);
constexpr QRect language(410, 20, 86, 36);
constexpr QRect vehicleName(5, 105, 491, 31);
constexpr QRect vehicleEngine(5, 136, 491, 31);
constexpr QRect selectVehicle(80, 175, 371, 32);
constexpr QRect brand(90, 220, 350, 35);
constexpr QRect model(90, 265, 350, 35);
constexpr QRect engine(90, 310, 350, 35);
constexpr QRect applyCar(173, 372, 160, 36);
constexpr QRect configsLeft(370, 410, 45, 36);
constexpr QRect driveModes(25, 460, 454, 40);
constexpr QRect dynamic(168, 515, 172, 37);
constexpr QRect eco(168, 555, 172, 37);
constexpr QRect stock(168, 595, 172, 37);

constexpr QRect indication(760, 20, 169, 32);
constexpr QRect indicationOff(770, 20, 80, 35);
constexpr QRect indicationOn(855, 20, 80, 35);
constexpr QRect autoProtocol(585, 111, 21, 18);
constexpr QRect protocol(535, 145, 236, 36);
constexpr QPoint firstPin(824, 126); // pins 1 to 8; pins 9 to 16 are 34 pixels lower
constexpr int pinPitch = 16;
constexpr int pinRowGap = 34;
constexpr QRect standby(776, 240, 169, 32);
constexpr QRect standbyU(780, 240, 80, 35);
constexpr QRect standbyS(865, 240, 80, 35);
constexpr QRect autoStandby(585, 243, 19, 19);
constexpr QRect applySettings(670, 295, 160, 36);

constexpr QRect errors(515, 390, 221, 71);
constexpr QRect sendErrors(770, 390, 194, 28);
constexpr QRect clearErrors(770, 430, 194, 28);

constexpr QRect serialNumber(640, 502, 181, 26);
constexpr QRect firmware(605, 524, 186, 26);
constexpr QRect hardware(610, 546, 186, 26);
constexpr QRect software(605, 568, 186, 26);
constexpr QRect protocolInfo(600, 590, 226, 26);
constexpr QRect standbyInfo(625, 612, 261, 26);

constexpr QRect updateFirmware(835, 500, 150, 30);
constexpr QRect updateSoftware(835, 535, 150, 30);
constexpr QRect custom(835, 580, 150, 30);

constexpr QRect loading(30, 215, 441, 196);

inline QRect pin(int number) // 1 to 16
{
    const int index = (number - 1) % 8;
    const int row = (number - 1) / 8;
    return QRect(firstPin.x() + index * pinPitch, firstPin.y() + row * pinRowGap, 16, 16);
}

} // namespace picgen::layout
