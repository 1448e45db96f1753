#pragma once

#include <QRect>

// Where the window's widgets sit (x, y, width, height inside the 1000 x 650 window). The
// background leaves these places free, and the pictures are drawn for their sizes.
namespace picgen::layout {

constexpr QSize window(1000, 650);

constexpr QRect device(105, 20, 293, 40);
constexpr QRect language(410, 20, 86, 36);
constexpr QRect vehicle_name(5, 105, 491, 31);
constexpr QRect vehicle_engine(5, 136, 491, 31);
constexpr QRect select_vehicle(80, 175, 371, 32);
constexpr QRect brand(90, 220, 350, 35);
constexpr QRect model(90, 265, 350, 35);
constexpr QRect engine(90, 310, 350, 35);
constexpr QRect apply_car(173, 372, 160, 36);
constexpr QRect configs_left(370, 410, 45, 36);
constexpr QRect drive_modes(25, 460, 454, 40);
constexpr QRect dynamic(168, 515, 172, 37);
constexpr QRect eco(168, 555, 172, 37);
constexpr QRect stock(168, 595, 172, 37);

constexpr QRect indication(760, 20, 169, 32);
constexpr QRect indication_off(770, 20, 80, 35);
constexpr QRect indication_on(855, 20, 80, 35);
constexpr QRect auto_protocol(585, 111, 21, 18);
constexpr QRect protocol(535, 145, 236, 36);
constexpr QPoint first_pin(824, 126); // pins 1 to 8; pins 9 to 16 are 34 pixels lower
constexpr int pin_pitch = 16;
constexpr int pin_row_gap = 34;
constexpr QRect standby(776, 240, 169, 32);
constexpr QRect standby_u(780, 240, 80, 35);
constexpr QRect standby_s(865, 240, 80, 35);
constexpr QRect auto_standby(585, 243, 19, 19);
constexpr QRect apply_settings(670, 295, 160, 36);

constexpr QRect errors(515, 390, 221, 71);
constexpr QRect send_errors(770, 390, 194, 28);
constexpr QRect clear_errors(770, 430, 194, 28);

constexpr QRect serial_number(640, 502, 181, 26);
constexpr QRect firmware(605, 524, 186, 26);
constexpr QRect hardware(610, 546, 186, 26);
constexpr QRect software(605, 568, 186, 26);
constexpr QRect protocol_info(600, 590, 226, 26);
constexpr QRect standby_info(625, 612, 261, 26);

constexpr QRect update_firmware(835, 500, 150, 30);
constexpr QRect update_software(835, 535, 150, 30);
constexpr QRect custom(835, 580, 150, 30);

constexpr QRect loading(30, 215, 441, 196);

inline QRect pin(int number) // 1 to 16
{
    const int index = (number - 1) % 8;
    const int row = (number - 1) / 8;
    return QRect(first_pin.x() + index * pin_pitch, first_pin.y() + row * pin_row_gap, 16, 16);
}

} // namespace picgen::layout
