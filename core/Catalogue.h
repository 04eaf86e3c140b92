// The column catalogue: one row per column of the player table, in display
// order -- its header text, group, place in the 572-byte record, text form,
// input rule and whether it is a salary. Every other table of columns is
// derived from this one, and the checks below hold at compile time.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace orrimax {

inline constexpr int kColumnCount = 235;
inline constexpr int kGroupCount = 11;
inline constexpr std::size_t kRecordSize = 572;

// Where a field lies: `bytes` bytes at `offset` read as one unsigned value
// (little-endian, or in record order for a run), of which bits
// shift .. shift + width - 1 are the field. No bytes: no field.
struct Place {
  int offset = 0;
  int bytes = 0;
  int shift = 0;
  int width = 0;
  bool run = false;
};

// Columns 0 to 5 (marker, row number, names and name IDs) have no field.
constexpr Place NoPlace() {
  return {};
}
// Whole byte at o.
constexpr Place Byte(int o) {
  return {o, 1, 0, 8, false};
}
// Bits s .. s + w - 1 of the byte at o.
constexpr Place Bits(int o, int s, int w) {
  return {o, 1, s, w, false};
}
// Bits s .. s + w - 1 of the little-endian 16-bit value of bytes o and o + 1.
constexpr Place Bits16(int o, int s, int w) {
  return {o, 2, s, w, false};
}
// Unsigned little-endian value of n bytes at o.
constexpr Place LittleEndian(int o, int n) {
  return {o, n, 0, 8 * n, false};
}
// n bytes at o, shown in record order.
constexpr Place Run(int o, int n) {
  return {o, n, 0, 8 * n, true};
}

class CellText;
struct ColumnInfo;

// A text form: the field's value to its cell text, and a cell text to the
// value to store (only its low `width` bits are kept). The forms are in
// DBFields.cpp.
struct TextForm {
  void (*decode)(const ColumnInfo&, std::uint32_t field, CellText& out);
  std::uint32_t (*encode)(const ColumnInfo&, std::u16string_view cell);
};
extern const TextForm kDecimalForm, kHeightForm, kWeightForm, kAgeForm, kJerseyForm, kRatingForm,
    kMoneyForm, kHexForm, kDraftYearForm, kInjuryDaysForm, kTweakForm, kNegatedTweakForm;

// Which characters may end a cell's typed text, and how long it may grow.
struct InputRule {
  std::u16string_view allowed;
  int maxLength;
};
inline constexpr InputRule kDigitsRule{u"0123456789", 10};
inline constexpr InputRule kRatingRule{u"0123456789.", 4};
inline constexpr InputRule kAnimationRule{u"0123456789ABCDEFabcdef", 8};
inline constexpr InputRule kColourRule{u"0123456789ABCDEFabcdef", 6};
inline constexpr InputRule kTweakRule{u"0123456789-", 4};
inline constexpr InputRule kNoneRule{u"", 0};

// The column groups, in the order of the group filter.
inline constexpr int kNoGroup = -1;
inline constexpr int kBio = 0, kAppearance = 1, kSkills = 2, kTendencies = 3, kHotSpots = 4,
                     kAnimations = 5, kContract = 6, kGear = 7, kBioPlus = 8, kStatus = 9,
                     kBodyTweaks = 10;

struct ColumnInfo {
  std::u16string_view header;
  int group;
  Place place;
  const TextForm* form;
  const InputRule* rule;
  bool salary;
};

// Short names are padded so that "(" is the 13th character (14th in column
// 64); column 68 has no closing parenthesis. Keep every blank.
inline constexpr std::array<ColumnInfo, kColumnCount> kColumns = {{
    {u" ", kNoGroup, NoPlace(), nullptr, &kNoneRule, false},                               // 0
    {u"№", kNoGroup, NoPlace(), nullptr, &kNoneRule, false},                               // 1
    {u"Last Name", kNoGroup, NoPlace(), nullptr, &kNoneRule, false},                       // 2
    {u"First Name", kNoGroup, NoPlace(), nullptr, &kNoneRule, false},                      // 3
    {u"LNameID", kNoGroup, NoPlace(), nullptr, &kDigitsRule, false},                       // 4
    {u"FNameID", kNoGroup, NoPlace(), nullptr, &kDigitsRule, false},                       // 5
    {u"PlType", kBio, Bits(32, 5, 3), &kDecimalForm, &kDigitsRule, false},                 // 6
    {u"Height      (in centimeters)", kBio, Byte(14), &kHeightForm, &kDigitsRule, false},  // 7
    {u"Weight      (in pounds)", kBio, LittleEndian(17, 2), &kWeightForm, &kDigitsRule,
     false},                                                                                 // 8
    {u"Age", kBio, Byte(30), &kAgeForm, &kDigitsRule, false},                                // 9
    {u"Number", kBio, Bits16(33, 5, 7), &kJerseyForm, &kDigitsRule, false},                  // 10
    {u"Years Pro", kBio, Bits16(121, 6, 5), &kDecimalForm, &kDigitsRule, false},             // 11
    {u"Pos", kBio, Bits(121, 0, 3), &kDecimalForm, &kDigitsRule, false},                     // 12
    {u"2nd Pos", kBio, Bits(121, 3, 3), &kDecimalForm, &kDigitsRule, false},                 // 13
    {u"Hand", kBio, Bits(207, 7, 1), &kDecimalForm, &kDigitsRule, false},                    // 14
    {u"GenericF", kAppearance, Bits(171, 6, 2), &kDecimalForm, &kDigitsRule, false},         // 15
    {u"Portr/CF ID", kAppearance, LittleEndian(28, 2), &kDecimalForm, &kDigitsRule, false},  // 16
    {u"SkinTone", kAppearance, Bits(159, 3, 3), &kDecimalForm, &kDigitsRule, false},         // 17
    {u"Muscles", kAppearance, Bits(159, 6, 1), &kDecimalForm, &kDigitsRule, false},          // 18
    {u"EyeColor", kAppearance, Bits16(125, 7, 3), &kDecimalForm, &kDigitsRule, false},       // 19
    {u"Bodytype", kAppearance, Bits16(124, 6, 3), &kDecimalForm, &kDigitsRule, false},       // 20
    {u"MinsAsg     (Minutes Assigned)", kSkills, Byte(54), &kDecimalForm, &kDigitsRule,
     false},  // 21
    {u"SShtIns     (Skill Shot Inside)", kSkills, Byte(436), &kRatingForm, &kRatingRule,
     false},  // 22
    {u"SShtCls     (Skill Shot Close)", kSkills, Byte(437), &kRatingForm, &kRatingRule,
     false},  // 23
    {u"SShtMed     (Skill Shot Medium)", kSkills, Byte(438), &kRatingForm, &kRatingRule,
     false},  // 24
    {u"SSht3PT     (Skill Shot 3-Points)", kSkills, Byte(439), &kRatingForm, &kRatingRule,
     false},  // 25
    {u"SShtFT      (Skill Shot Free Throws)", kSkills, Byte(440), &kRatingForm, &kRatingRule,
     false},  // 26
    {u"SShtLoP     (Skill Shot Low Post)", kSkills, Byte(441), &kRatingForm, &kRatingRule,
     false},                                                             // 27
    {u"SLayUp", kSkills, Byte(442), &kRatingForm, &kRatingRule, false},  // 28
    {u"SDunk", kSkills, Byte(443), &kRatingForm, &kRatingRule, false},   // 29
    {u"SStdDunk    (Skill Standing Dunk)", kSkills, Byte(444), &kRatingForm, &kRatingRule,
     false},  // 30
    {u"SShtInT     (Skill Shot In Traffic)", kSkills, Byte(445), &kRatingForm, &kRatingRule,
     false},  // 31
    {u"SShtOfD     (Skill Shot Off-Dribble)", kSkills, Byte(446), &kRatingForm, &kRatingRule,
     false},                                                              // 32
    {u"SHustle", kSkills, Byte(447), &kRatingForm, &kRatingRule, false},  // 33
    {u"SBHandle    (Skill Ball Handling)", kSkills, Byte(448), &kRatingForm, &kRatingRule,
     false},  // 34
    {u"SOffHDrib   (Skill Off Hand Dribble)", kSkills, Byte(449), &kRatingForm, &kRatingRule,
     false},  // 35
    {u"SBallSec    (Skill Ball Security)", kSkills, Byte(450), &kRatingForm, &kRatingRule,
     false},                                                            // 36
    {u"SPass", kSkills, Byte(451), &kRatingForm, &kRatingRule, false},  // 37
    {u"SOClutch    (Skill Offensive Clutch)", kSkills, Byte(452), &kRatingForm, &kRatingRule,
     false},                                                                // 38
    {u"SDClutch", kSkills, Byte(453), &kRatingForm, &kRatingRule, false},   // 39
    {u"SOLowPost", kSkills, Byte(454), &kRatingForm, &kRatingRule, false},  // 40
    {u"SDLowPost", kSkills, Byte(455), &kRatingForm, &kRatingRule, false},  // 41
    {u"SBlock", kSkills, Byte(456), &kRatingForm, &kRatingRule, false},     // 42
    {u"SHands", kSkills, Byte(457), &kRatingForm, &kRatingRule, false},     // 43
    {u"SSteal", kSkills, Byte(458), &kRatingForm, &kRatingRule, false},     // 44
    {u"SSpeed", kSkills, Byte(459), &kRatingForm, &kRatingRule, false},     // 45
    {u"SStamina", kSkills, Byte(460), &kRatingForm, &kRatingRule, false},   // 46
    {u"SEmotion", kSkills, Byte(461), &kRatingForm, &kRatingRule, false},   // 47
    {u"SVertical", kSkills, Byte(462), &kRatingForm, &kRatingRule, false},  // 48
    {u"SOReb       (Skill Offensive Rebounding)", kSkills, Byte(463), &kRatingForm, &kRatingRule,
     false},                                                            // 49
    {u"SDReb", kSkills, Byte(464), &kRatingForm, &kRatingRule, false},  // 50
    {u"SDurab      (Skill Durability)", kSkills, Byte(465), &kRatingForm, &kRatingRule,
     false},  // 51
    {u"SDAwar      (Skill Defensive Awareness)", kSkills, Byte(466), &kRatingForm, &kRatingRule,
     false},                                                             // 52
    {u"SOAwar", kSkills, Byte(467), &kRatingForm, &kRatingRule, false},  // 53
    {u"SConsis     (Skill Consistency)", kSkills, Byte(468), &kRatingForm, &kRatingRule,
     false},                                                                                  // 54
    {u"??SSmth??   (Unknown Skill)", kSkills, Byte(469), &kRatingForm, &kRatingRule, false},  // 55
    {u"SOnBallD    (Skill On-Ball Defense)", kSkills, Byte(470), &kRatingForm, &kRatingRule,
     false},  // 56
    {u"SQuick      (Skill Quickness)", kSkills, Byte(471), &kRatingForm, &kRatingRule,
     false},  // 57
    {u"SPOT        (Skill Potential)", kSkills, Byte(472), &kRatingForm, &kRatingRule,
     false},                                                                // 58
    {u"SStrength", kSkills, Byte(473), &kRatingForm, &kRatingRule, false},  // 59
    {u"TShtTend    (Tendency - Shooting - Shot Tendency)", kTendencies, Byte(474), &kDecimalForm,
     &kDigitsRule, false},  // 60
    {u"TInsShots   (Tendency - Shooting - Inside Shots)", kTendencies, Byte(475), &kDecimalForm,
     &kDigitsRule, false},  // 61
    {u"TCloseSht   (Tendency - Shooting - Close Shots)", kTendencies, Byte(476), &kDecimalForm,
     &kDigitsRule, false},  // 62
    {u"TMidShots   (Tendency - Shooting - Mid-Range Shots)", kTendencies, Byte(477), &kDecimalForm,
     &kDigitsRule, false},  // 63
    {u"T3PTShots    (Tendency - Shooting - 3-Point Shots)", kTendencies, Byte(478), &kDecimalForm,
     &kDigitsRule, false},  // 64
    {u"TDriveLn    (Tendency - Drive Lane vs. Spot Up)", kTendencies, Byte(479), &kDecimalForm,
     &kDigitsRule, false},  // 65
    {u"TDriveRvL   (Tendency - Drive Right vs. Left)", kTendencies, Byte(480), &kDecimalForm,
     &kDigitsRule, false},  // 66
    {u"TPullUp     (Tendency - Pull Up vs. Penetrate)", kTendencies, Byte(481), &kDecimalForm,
     &kDigitsRule, false},  // 67
    {u"TPumpFake   (Tendency - Setup Pre-Dribble - Pump Fake", kTendencies, Byte(482),
     &kDecimalForm, &kDigitsRule, false},  // 68
    {u"TTripleTh   (Tendency - Perform Triple-Threat Moves)", kTendencies, Byte(483), &kDecimalForm,
     &kDigitsRule, false},  // 69
    {u"TNoTT       (Tendency - Setup Pre-Dribble - No 3-Threat Moves)", kTendencies, Byte(484),
     &kDecimalForm, &kDigitsRule, false},  // 70
    {u"TTrpTSht    (Tendency - Various Shots - Triple Threat Shot)", kTendencies, Byte(485),
     &kDecimalForm, &kDigitsRule, false},  // 71
    {u"TSizeUp     (Tendency - Setup Dribble - SizeUp)", kTendencies, Byte(486), &kDecimalForm,
     &kDigitsRule, false},  // 72
    {u"THesitat    (Tendency - Setup Dribble - Hesitation)", kTendencies, Byte(487), &kDecimalForm,
     &kDigitsRule, false},  // 73
    {u"TStrghtDr   (Tendency - Setup Dribble - Straight Dribble)", kTendencies, Byte(488),
     &kDecimalForm, &kDigitsRule, false},  // 74
    {u"TCrossov    (Tendency - Dribble Penetration - Crossover)", kTendencies, Byte(489),
     &kDecimalForm, &kDigitsRule, false},  // 75
    {u"TSpin       (Tendency - Dribble Penetration - Spin)", kTendencies, Byte(490), &kDecimalForm,
     &kDigitsRule, false},  // 76
    {u"TStepBack   (Tendency - Dribble Penetration - Step Back)", kTendencies, Byte(491),
     &kDecimalForm, &kDigitsRule, false},  // 77
    {u"THalfSpin   (Tendency - Dribble Penetration - Half Spin)", kTendencies, Byte(492),
     &kDecimalForm, &kDigitsRule, false},  // 78
    {u"TDblCross   (Tendency - Dribble Penetration - Double Cross)", kTendencies, Byte(493),
     &kDecimalForm, &kDigitsRule, false},  // 79
    {u"TBhndBack   (Tendency - Dribble Penetration - Behind The Back)", kTendencies, Byte(494),
     &kDecimalForm, &kDigitsRule, false},  // 80
    {u"THesCross   (Tendency - Dribble Penetration - Hesitation Cross)", kTendencies, Byte(495),
     &kDecimalForm, &kDigitsRule, false},  // 81
    {u"TInAndOut   (Tendency - Dribble Penetration - In And Out)", kTendencies, Byte(496),
     &kDecimalForm, &kDigitsRule, false},  // 82
    {u"TDPSimpDr   (Tendency - Dribble Penetration - Simple Drive)", kTendencies, Byte(497),
     &kDecimalForm, &kDigitsRule, false},  // 83
    {u"TAttackB    (Tendency - Dribble Finish - Attack The Basket)", kTendencies, Byte(498),
     &kDecimalForm, &kDigitsRule, false},  // 84
    {u"TPassOut    (Tendency - Dribble Finish - Pass Out)", kTendencies, Byte(499), &kDecimalForm,
     &kDigitsRule, false},  // 85
    {u"??SomeT??   (Unknown Tendency)", kTendencies, Byte(500), &kDecimalForm, &kDigitsRule,
     false},  // 86
    {u"THopStep    (Tendency - Finishing Move - Hop Step)", kTendencies, Byte(501), &kDecimalForm,
     &kDigitsRule, false},  // 87
    {u"THopStpSp   (Tendency - Finishing Move - Hop Step Spin)", kTendencies, Byte(502),
     &kDecimalForm, &kDigitsRule, false},  // 88
    {u"TFMSimpDr   (Tendency - Finishing Move - Simple Drive)", kTendencies, Byte(503),
     &kDecimalForm, &kDigitsRule, false},  // 89
    {u"TJumper     (Tendency - ShotType - Jumper)", kTendencies, Byte(504), &kDecimalForm,
     &kDigitsRule, false},  // 90
    {u"TLeaner     (Tendency - ShotType - Leaner)", kTendencies, Byte(505), &kDecimalForm,
     &kDigitsRule, false},  // 91
    {u"TRunner     (Tendency - ShotType - Runner)", kTendencies, Byte(506), &kDecimalForm,
     &kDigitsRule, false},  // 92
    {u"TFadeaway   (Tendency - ShotType - Fadeaways)", kTendencies, Byte(507), &kDecimalForm,
     &kDigitsRule, false},  // 93
    {u"TDrifter    (Tendency - ShotType - Drifter)", kTendencies, Byte(508), &kDecimalForm,
     &kDigitsRule, false},  // 94
    {u"TDunk       (Tendency - InsideShot - Dunk)", kTendencies, Byte(509), &kDecimalForm,
     &kDigitsRule, false},  // 95
    {u"TUsePick    (Tendency - Freelance - Use Pick)", kTendencies, Byte(510), &kDecimalForm,
     &kDigitsRule, false},                                                      // 96
    {u"TSetPick", kTendencies, Byte(511), &kDecimalForm, &kDigitsRule, false},  // 97
    {u"TIsolat     (Tendency - Freelance - Isolation)", kTendencies, Byte(512), &kDecimalForm,
     &kDigitsRule, false},  // 98
    {u"TUseOBScr   (Tendency - Freelance - Use Off Ball Screen)", kTendencies, Byte(513),
     &kDecimalForm, &kDigitsRule, false},                                      // 99
    {u"TPostUp", kTendencies, Byte(514), &kDecimalForm, &kDigitsRule, false},  // 100
    {u"TSpotUp", kTendencies, Byte(515), &kDecimalForm, &kDigitsRule, false},  // 101
    {u"TSelfPost   (Tendency - Various Shots - Self Post)", kTendencies, Byte(516), &kDecimalForm,
     &kDigitsRule, false},  // 102
    {u"TQuickSpn   (Tendency - Post Moves - Quick Spin)", kTendencies, Byte(517), &kDecimalForm,
     &kDigitsRule, false},                                                       // 103
    {u"TDropStep", kTendencies, Byte(518), &kDecimalForm, &kDigitsRule, false},  // 104
    {u"TStepThru   (Tendency - Post Moves - Step Through)", kTendencies, Byte(519), &kDecimalForm,
     &kDigitsRule, false},  // 105
    {u"TUp&Under   (Tendency - Post Moves - Up And Under)", kTendencies, Byte(520), &kDecimalForm,
     &kDigitsRule, false},                                                       // 106
    {u"TFaceUp", kTendencies, Byte(521), &kDecimalForm, &kDigitsRule, false},    // 107
    {u"TBackDown", kTendencies, Byte(522), &kDecimalForm, &kDigitsRule, false},  // 108
    {u"TNoMove     (Tendency - Post Moves - Perform Nothing)", kTendencies, Byte(523),
     &kDecimalForm, &kDigitsRule, false},  // 109
    {u"THookShot   (Tendency - Post Shot - Hook Shot)", kTendencies, Byte(524), &kDecimalForm,
     &kDigitsRule, false},                                                       // 110
    {u"TRollShot", kTendencies, Byte(525), &kDecimalForm, &kDigitsRule, false},  // 111
    {u"TPutbacks   (Tendency - Shooting - Putbacks)", kTendencies, Byte(526), &kDecimalForm,
     &kDigitsRule, false},  // 112
    {u"TFlshPass   (Tendency - Passing - Flashy Passes)", kTendencies, Byte(527), &kDecimalForm,
     &kDigitsRule, false},  // 113
    {u"TAlleyOop   (Tendency - Various Shots - Alley-Oops)", kTendencies, Byte(528), &kDecimalForm,
     &kDigitsRule, false},  // 114
    {u"TDrawFoul   (Tendency - Defense - Try To Draw a Foul)", kTendencies, Byte(529),
     &kDecimalForm, &kDigitsRule, false},  // 115
    {u"TPassLane   (Tendency - Defense - Steal in Passing Lanes)", kTendencies, Byte(530),
     &kDecimalForm, &kDigitsRule, false},  // 116
    {u"TTakeChrg   (Tendency - Defense - Take Charge)", kTendencies, Byte(531), &kDecimalForm,
     &kDigitsRule, false},  // 117
    {u"TOnBalStl   (Tendency - Defense - Steal On Ball)", kTendencies, Byte(532), &kDecimalForm,
     &kDigitsRule, false},  // 118
    {u"TContShts   (Tendency - Defense - Contest Shots)", kTendencies, Byte(533), &kDecimalForm,
     &kDigitsRule, false},  // 119
    {u"TCommFoul   (Tendency - Defense - Commit Fouls)", kTendencies, Byte(534), &kDecimalForm,
     &kDigitsRule, false},  // 120
    {u"THardFoul   (Tendency - Defense - Foul Hard)", kTendencies, Byte(535), &kDecimalForm,
     &kDigitsRule, false},  // 121
    {u"HIso3PLft   (HotSpots - Isolation - 3PT Left)", kHotSpots, Byte(536), &kDecimalForm,
     &kDigitsRule, false},  // 122
    {u"HIso3PCtr   (HotSpots - Isolation - 3PT Center)", kHotSpots, Byte(537), &kDecimalForm,
     &kDigitsRule, false},  // 123
    {u"HIso3PRgt   (HotSpots - Isolation - 3PT Right)", kHotSpots, Byte(538), &kDecimalForm,
     &kDigitsRule, false},  // 124
    {u"HIsoHPLft   (HotSpots - Isolation - High Post Left)", kHotSpots, Byte(539), &kDecimalForm,
     &kDigitsRule, false},  // 125
    {u"HIsoHPCtr   (HotSpots - Isolation - High Post Center)", kHotSpots, Byte(540), &kDecimalForm,
     &kDigitsRule, false},  // 126
    {u"HIsoHPRgt   (HotSpots - Isolation - High Post Right)", kHotSpots, Byte(541), &kDecimalForm,
     &kDigitsRule, false},  // 127
    {u"HSpt3PLCr   (HotSpots - Spot Up - 3PT Left Corner)", kHotSpots, Byte(542), &kDecimalForm,
     &kDigitsRule, false},  // 128
    {u"HSpt3PLWg   (HotSpots - Spot Up - 3PT Left Wing)", kHotSpots, Byte(543), &kDecimalForm,
     &kDigitsRule, false},  // 129
    {u"HSpt3PTop   (HotSpots - Spot Up - 3PT Top)", kHotSpots, Byte(544), &kDecimalForm,
     &kDigitsRule, false},  // 130
    {u"HSpt3PRWg   (HotSpots - Spot Up - 3PT Right Wing)", kHotSpots, Byte(545), &kDecimalForm,
     &kDigitsRule, false},  // 131
    {u"HSpt3PRCr   (HotSpots - Spot Up - 3PT Right Corner)", kHotSpots, Byte(546), &kDecimalForm,
     &kDigitsRule, false},  // 132
    {u"HSptMdLBl   (HotSpots - Spot Up - Mid Left Baseline)", kHotSpots, Byte(547), &kDecimalForm,
     &kDigitsRule, false},  // 133
    {u"HSptMdLWg   (HotSpots - Spot Up - Mid Left Wing)", kHotSpots, Byte(548), &kDecimalForm,
     &kDigitsRule, false},  // 134
    {u"HSptMdCtr   (HotSpots - Spot Up - Mid Center)", kHotSpots, Byte(549), &kDecimalForm,
     &kDigitsRule, false},  // 135
    {u"HSptMdRWg   (HotSpots - Spot Up - Mid Right Wing)", kHotSpots, Byte(550), &kDecimalForm,
     &kDigitsRule, false},  // 136
    {u"HSptMdRBl   (HotSpots - Spot Up - Mid Right Baseline)", kHotSpots, Byte(551), &kDecimalForm,
     &kDigitsRule, false},  // 137
    {u"HP&rLCrnr   (HotSpots - Pick & Roll - Left Corner)", kHotSpots, Byte(552), &kDecimalForm,
     &kDigitsRule, false},  // 138
    {u"HP&rLWing   (HotSpots - Pick & Roll - Left Wing)", kHotSpots, Byte(553), &kDecimalForm,
     &kDigitsRule, false},  // 139
    {u"HP&rTopOA   (HotSpots - Pick & Roll - Top Of Arc)", kHotSpots, Byte(554), &kDecimalForm,
     &kDigitsRule, false},  // 140
    {u"HP&rRWing   (HotSpots - Pick & Roll - Right Wing)", kHotSpots, Byte(555), &kDecimalForm,
     &kDigitsRule, false},  // 141
    {u"HP&rRCrnr   (HotSpots - Pick & Roll - Right Corner)", kHotSpots, Byte(556), &kDecimalForm,
     &kDigitsRule, false},  // 142
    {u"HPstRHigh   (HotSpots - Post - Right High Post)", kHotSpots, Byte(557), &kDecimalForm,
     &kDigitsRule, false},  // 143
    {u"HPstLHigh   (HotSpots - Post - Left High Post)", kHotSpots, Byte(558), &kDecimalForm,
     &kDigitsRule, false},  // 144
    {u"HPstRLow    (HotSpots - Post - Right Low Post)", kHotSpots, Byte(559), &kDecimalForm,
     &kDigitsRule, false},  // 145
    {u"HPstLLow    (HotSpots - Post - Left Low Post)", kHotSpots, Byte(560), &kDecimalForm,
     &kDigitsRule, false},  // 146
    {u"ALayUp      (Animation (Signature) - LayUp Package)", kAnimations, Bits(399, 1, 7),
     &kDecimalForm, &kDigitsRule, false},  // 147
    {u"ADunk       (Animation - Dunk Package)", kAnimations, Bits(400, 0, 5), &kDecimalForm,
     &kDigitsRule, false},  // 148
    {u"AFreeT      (Animation - Free Throws)", kAnimations, Run(212, 4), &kHexForm, &kAnimationRule,
     false},  // 149
    {u"ASpcDnk1    (Animation - Special Dunk 1)", kAnimations, Run(216, 4), &kHexForm,
     &kAnimationRule, false},                                                     // 150
    {u"ASpcDnk2", kAnimations, Run(220, 4), &kHexForm, &kAnimationRule, false},   // 151
    {u"ASpcDnk3", kAnimations, Run(224, 4), &kHexForm, &kAnimationRule, false},   // 152
    {u"ASpcDnk4", kAnimations, Run(228, 4), &kHexForm, &kAnimationRule, false},   // 153
    {u"ASpcDnk5", kAnimations, Run(232, 4), &kHexForm, &kAnimationRule, false},   // 154
    {u"ASpcDnk6", kAnimations, Run(236, 4), &kHexForm, &kAnimationRule, false},   // 155
    {u"ASpcDnk7", kAnimations, Run(240, 4), &kHexForm, &kAnimationRule, false},   // 156
    {u"ASpcDnk8", kAnimations, Run(244, 4), &kHexForm, &kAnimationRule, false},   // 157
    {u"ASpcDnk9", kAnimations, Run(248, 4), &kHexForm, &kAnimationRule, false},   // 158
    {u"ASpcDnk10", kAnimations, Run(252, 4), &kHexForm, &kAnimationRule, false},  // 159
    {u"ADrbCroOv   (Animation - Dribble Moves - Crossover)", kAnimations, Run(256, 4), &kHexForm,
     &kAnimationRule, false},  // 160
    {u"ADrbDblCr   (Animation - Dribble Moves - Double Cross)", kAnimations, Run(260, 4), &kHexForm,
     &kAnimationRule, false},  // 161
    {u"ADrbBhndB   (Animation - Dribble Moves - Behind Back)", kAnimations, Run(264, 4), &kHexForm,
     &kAnimationRule, false},  // 162
    {u"ADrbSpin    (Animation - Dribble Moves - Spin)", kAnimations, Run(268, 4), &kHexForm,
     &kAnimationRule, false},  // 163
    {u"ADrbHlfSp   (Animation - Dribble Moves - Half Spin)", kAnimations, Run(272, 4), &kHexForm,
     &kAnimationRule, false},  // 164
    {u"ADrbStpBk   (Animation - Dribble Moves - Stepback)", kAnimations, Run(276, 4), &kHexForm,
     &kAnimationRule, false},  // 165
    {u"ADrbHesit   (Animation - Dribble Moves - Hesitation)", kAnimations, Run(280, 4), &kHexForm,
     &kAnimationRule, false},  // 166
    {u"ADrbIn&Ot   (Animation - Dribble Moves - In & Out)", kAnimations, Run(284, 4), &kHexForm,
     &kAnimationRule, false},  // 167
    {u"ADrbStpOt   (Animation - Dribble Moves - Step Out)", kAnimations, Run(288, 4), &kHexForm,
     &kAnimationRule, false},  // 168
    {u"AShtJumpr   (Animation - Shots - Jumper)", kAnimations, Run(292, 4), &kHexForm,
     &kAnimationRule, false},  // 169
    {u"AShtRunnr   (Animation - Shots - Runner)", kAnimations, Run(296, 4), &kHexForm,
     &kAnimationRule, false},  // 170
    {u"AShtLeanr   (Animation - Shots - Leaner)", kAnimations, Run(300, 4), &kHexForm,
     &kAnimationRule, false},  // 171
    {u"AShtFadAw   (Animation - Shots - Fadeaway)", kAnimations, Run(304, 4), &kHexForm,
     &kAnimationRule, false},  // 172
    {u"AShtDrftL   (Animation - Shots - Drift Left)", kAnimations, Run(308, 4), &kHexForm,
     &kAnimationRule, false},  // 173
    {u"AShtDrftR   (Animation - Shots - Drift Right)", kAnimations, Run(312, 4), &kHexForm,
     &kAnimationRule, false},  // 174
    {u"AShtPstRL   (Animation - Shots - Post Roll Left)", kAnimations, Run(316, 4), &kHexForm,
     &kAnimationRule, false},  // 175
    {u"AShtPstRR   (Animation - Shots - Post Roll Right)", kAnimations, Run(320, 4), &kHexForm,
     &kAnimationRule, false},  // 176
    {u"AShtPstHL   (Animation - Shots - Post Hook Left)", kAnimations, Run(324, 4), &kHexForm,
     &kAnimationRule, false},  // 177
    {u"AShtPstHR   (Animation - Shots - Post Hook Right)", kAnimations, Run(328, 4), &kHexForm,
     &kAnimationRule, false},  // 178
    {u"CClrYears   (Contract - Clear Years)", kContract, Bits(122, 3, 3), &kDecimalForm,
     &kDigitsRule, false},  // 179
    {u"COption     (Contract - Option)", kContract, Bits(169, 4, 2), &kDecimalForm, &kDigitsRule,
     false},  // 180
    {u"CNoTrade    (Contract - No Trade)", kContract, Bits(211, 7, 1), &kDecimalForm, &kDigitsRule,
     false},  // 181
    {u"CYear1      (Contract - Year 1 Cash)", kContract, LittleEndian(336, 4), &kMoneyForm,
     &kDigitsRule, true},  // 182
    {u"CYear2      (Contract - Year 2 Cash)", kContract, LittleEndian(340, 4), &kMoneyForm,
     &kDigitsRule, true},  // 183
    {u"CYear3      (Contract - Year 3 Cash)", kContract, LittleEndian(344, 4), &kMoneyForm,
     &kDigitsRule, true},  // 184
    {u"CYear4      (Contract - Year 4 Cash)", kContract, LittleEndian(348, 4), &kMoneyForm,
     &kDigitsRule, true},  // 185
    {u"CYear5      (Contract - Year 5 Cash)", kContract, LittleEndian(352, 4), &kMoneyForm,
     &kDigitsRule, true},  // 186
    {u"CYear6      (Contract - Year 6 Cash)", kContract, LittleEndian(356, 4), &kMoneyForm,
     &kDigitsRule, true},  // 187
    {u"CYear7      (Contract - Year 7 Cash)", kContract, LittleEndian(360, 4), &kMoneyForm,
     &kDigitsRule, true},  // 188
    {u"GHeadband   (Gear (Accessories) - Headband)", kGear, Bits(125, 5, 2), &kDecimalForm,
     &kDigitsRule, false},  // 189
    {u"GLftArBnd   (Gear - Left Arm Bend)", kGear, Bits(404, 0, 4), &kDecimalForm, &kDigitsRule,
     false},  // 190
    {u"GRgtArBnd   (Gear - Right Arm Bend)", kGear, Bits(404, 4, 4), &kDecimalForm, &kDigitsRule,
     false},  // 191
    {u"GLftElbPd   (Gear - Left Elbow Pad)", kGear, Bits16(158, 6, 5), &kDecimalForm, &kDigitsRule,
     false},  // 192
    {u"GRgtElbPd   (Gear - Right Elbow Pad)", kGear, Bits(160, 0, 5), &kDecimalForm, &kDigitsRule,
     false},  // 193
    {u"GLftHand    (Gear - Left Hand)", kGear, Bits16(161, 7, 3), &kDecimalForm, &kDigitsRule,
     false},  // 194
    {u"GRgtHand    (Gear - Right Hand)", kGear, Bits(412, 2, 3), &kDecimalForm, &kDigitsRule,
     false},  // 195
    {u"GLftWrBnd   (Gear - Left Wrist Band)", kGear, Bits16(157, 4, 5), &kDecimalForm, &kDigitsRule,
     false},  // 196
    {u"GRgtWrBnd   (Gear - Right Wrist Band)", kGear, Bits(158, 1, 5), &kDecimalForm, &kDigitsRule,
     false},  // 197
    {u"GLftKnPad   (Gear - Left Knee Pad)", kGear, Bits16(160, 5, 5), &kDecimalForm, &kDigitsRule,
     false},  // 198
    {u"GRgtKnPad   (Gear - Right Knee Pad)", kGear, Bits(161, 2, 5), &kDecimalForm, &kDigitsRule,
     false},  // 199
    {u"GLftAnkle   (Gear - Left Ankle)", kGear, Bits(405, 0, 3), &kDecimalForm, &kDigitsRule,
     false},  // 200
    {u"GRgtAnkle   (Gear - Right Ankle)", kGear, Bits(412, 5, 3), &kDecimalForm, &kDigitsRule,
     false},  // 201
    {u"GSockLngh   (Gear - Sock Length)", kGear, Bits(167, 4, 4), &kDecimalForm, &kDigitsRule,
     false},  // 202
    {u"GUndrShrt   (Gear - Undershirt)", kGear, Bits(405, 3, 5), &kDecimalForm, &kDigitsRule,
     false},  // 203
    {u"GShorts     (Gear - Shorts)", kGear, Bits(162, 2, 6), &kDecimalForm, &kDigitsRule,
     false},  // 204
    {u"GShsBrand   (Gear - Shoes - Brand)", kGear, Bits16(128, 7, 3), &kDecimalForm, &kDigitsRule,
     false},  // 205
    {u"GShsModel   (Gear - Shoes - Model)", kGear, Bits(129, 2, 5), &kDecimalForm, &kDigitsRule,
     false},  // 206
    {u"GShsUCusC   (Gear - Shoes - Use Custom Colors)", kGear, Bits(129, 7, 1), &kDecimalForm,
     &kDigitsRule, false},  // 207
    {u"GShsHCol1   (Gear - Shoes - Home Trim Color 1)", kGear, LittleEndian(132, 3), &kHexForm,
     &kColourRule, false},  // 208
    {u"GShsHCol2   (Gear - Shoes - Home Trim Color 2)", kGear, LittleEndian(136, 3), &kHexForm,
     &kColourRule, false},  // 209
    {u"GShsHCol3   (Gear - Shoes - Home Dominant Color)", kGear, LittleEndian(140, 3), &kHexForm,
     &kColourRule, false},  // 210
    {u"GShsACol1   (Gear - Shoes - Away Trim Color 1)", kGear, LittleEndian(144, 3), &kHexForm,
     &kColourRule, false},  // 211
    {u"GShsACol2   (Gear - Shoes - Away Trim Color 2)", kGear, LittleEndian(148, 3), &kHexForm,
     &kColourRule, false},  // 212
    {u"GShsACol3   (Gear - Shoes - Away Dominant Color)", kGear, LittleEndian(152, 3), &kHexForm,
     &kColourRule, false},                                                                  // 213
    {u"DraftPos", kBioPlus, Bits(172, 0, 6), &kDecimalForm, &kDigitsRule, false},           // 214
    {u"DraftYear", kBioPlus, Byte(181), &kDraftYearForm, &kDigitsRule, false},              // 215
    {u"DraftRound", kBioPlus, Bits(207, 3, 4), &kDecimalForm, &kDigitsRule, false},         // 216
    {u"Personality", kBioPlus, Bits(53, 6, 2), &kDecimalForm, &kDigitsRule, false},         // 217
    {u"Loyality", kBioPlus, Bits(397, 1, 3), &kDecimalForm, &kDigitsRule, false},           // 218
    {u"Play4Winner", kBioPlus, Bits(398, 0, 3), &kDecimalForm, &kDigitsRule, false},        // 219
    {u"InjDaysLeft", kStatus, LittleEndian(68, 2), &kInjuryDaysForm, &kDigitsRule, false},  // 220
    {u"InjType", kStatus, Byte(120), &kDecimalForm, &kDigitsRule, false},                   // 221
    {u"Some ID", kBodyTweaks, LittleEndian(56, 2), &kDecimalForm, &kDigitsRule, false},     // 222
    {u"Some ID2", kBodyTweaks, LittleEndian(384, 2), &kDecimalForm, &kTweakRule, false},    // 223
    {u"BTShldrThck (Body Tweaks - Shoulder Thickness)", kBodyTweaks, Byte(561), &kTweakForm,
     &kTweakRule, false},  // 224
    {u"BTShldrThn  (Body Tweaks - Shoulder Thinness)", kBodyTweaks, Byte(562), &kTweakForm,
     &kTweakRule, false},  // 225
    {u"BTFarmThck  (Body Tweaks - Forearm Thickness)", kBodyTweaks, Byte(563), &kTweakForm,
     &kTweakRule, false},  // 226
    {u"BTFarmThn   (Body Tweaks - Forearm Thinness)", kBodyTweaks, Byte(564), &kTweakForm,
     &kTweakRule, false},                                                      // 227
    {u"??BTSmth??", kBodyTweaks, Byte(565), &kTweakForm, &kTweakRule, false},  // 228
    {u"BTChstSize  (Body Tweaks - Chest Size)", kBodyTweaks, Byte(566), &kNegatedTweakForm,
     &kTweakRule, false},  // 229
    {u"BTChstPrst  (Body Tweaks - Chest Prostruction)", kBodyTweaks, Byte(567), &kNegatedTweakForm,
     &kTweakRule, false},  // 230
    {u"BTStmch???  (Body Tweaks - Stomach)", kBodyTweaks, Byte(568), &kTweakForm, &kTweakRule,
     false},  // 231
    {u"BTLegsThn   (Body Tweaks - Legs Thinness)", kBodyTweaks, Byte(569), &kTweakForm, &kTweakRule,
     false},  // 232
    {u"BTLegsThck  (Body Tweaks - Legs Thickness)", kBodyTweaks, Byte(570), &kTweakForm,
     &kTweakRule, false},  // 233
    {u"BTClvsThn   (Body Tweaks - Calves Thinness)", kBodyTweaks, Byte(571), &kTweakForm,
     &kTweakRule, false},  // 234
}};

// The record bits that a column or a name pointer (bytes 0 to 7) shows; the
// others are kept as they are. Nothing when two places overlap.
constexpr std::optional<std::array<std::uint8_t, kRecordSize>> CoveredRecordBits() {
  std::array<std::uint8_t, kRecordSize> used{};
  for (int b = 0; b < 8; ++b) used[b] = 0xFF;
  for (const ColumnInfo& column : kColumns) {
    const Place& p = column.place;
    for (int bit = p.shift; bit < p.shift + p.width; ++bit) {
      // A run's bits count from its last byte, as its value reads.
      const int byte = p.run ? p.offset + p.bytes - 1 - bit / 8 : p.offset + bit / 8;
      const auto mask = static_cast<std::uint8_t>(1u << (bit % 8));
      if (used[byte] & mask) return std::nullopt;
      used[byte] |= mask;
    }
  }
  return used;
}

struct ColumnGroup {
  std::u16string_view Name;
  int First;
  int Last;
};

// Each group's first and last column, from the rows above.
inline constexpr std::array<ColumnGroup, kGroupCount> kColumnGroups = [] {
  constexpr std::u16string_view kNames[kGroupCount] = {
      u"Bio",      u"Appearance", u"Skills", u"Tendencies", u"HotSpots",   u"Animations",
      u"Contract", u"Gear",       u"Bio+",   u"Status",     u"Body Tweaks"};
  std::array<ColumnGroup, kGroupCount> groups{};
  for (int g = 0; g < kGroupCount; ++g) groups[g] = {kNames[g], kColumnCount, -1};
  for (int c = 0; c < kColumnCount; ++c) {
    const int g = kColumns[c].group;
    if (g == kNoGroup) continue;
    if (c < groups[g].First) groups[g].First = c;
    if (c > groups[g].Last) groups[g].Last = c;
  }
  return groups;
}();

// Columns the program refers to by name.
inline constexpr int kMarkerColumn = 0;
inline constexpr int kRowNumberColumn = 1;
inline constexpr int kLastNameColumn = 2;
inline constexpr int kFirstNameColumn = 3;
inline constexpr int kLNameIdColumn = 4;
inline constexpr int kFNameIdColumn = 5;
inline constexpr int kFirstFieldColumn = 6;
inline constexpr int kFixedColumns = 4;                 // marker, row number and the names
inline constexpr int kFirstDataColumn = kFixedColumns;  // the first that scrolls and edits
inline constexpr int kLastColumn = kColumnCount - 1;
inline constexpr int kFirstSalaryColumn = [] {
  int c = 0;
  while (!kColumns[c].salary) ++c;
  return c;
}();
// The name cell that shows the entry of a name ID column, and back.
constexpr int NameColumnOfId(int idColumn) {
  return idColumn - 2;
}
constexpr int IdColumnOfName(int nameColumn) {
  return nameColumn + 2;
}

inline std::u16string_view ColumnHeader(int column) {
  return kColumns[static_cast<std::size_t>(column)].header;
}

}  // namespace orrimax
