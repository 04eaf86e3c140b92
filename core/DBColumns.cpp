// The column catalogue: header texts, groups, and the moves between the
// codec's record order and the table's display order.
#include <algorithm>

#include "DB.h"

namespace orrimax {
namespace {

// Short names are padded so that "(" is the 13th character (14th in column
// 64); column 68 has no closing parenthesis. Keep every blank.
constexpr std::u16string_view kHeaders[kColumnCount] = {
    u" ",                                                                // 0
    u"№",                                                                // 1
    u"Last Name",                                                        // 2
    u"First Name",                                                       // 3
    u"LNameID",                                                          // 4
    u"FNameID",                                                          // 5
    u"PlType",                                                           // 6
    u"Height      (in centimeters)",                                     // 7
    u"Weight      (in pounds)",                                          // 8
    u"Age",                                                              // 9
    u"Number",                                                           // 10
    u"Years Pro",                                                        // 11
    u"Pos",                                                              // 12
    u"2nd Pos",                                                          // 13
    u"Hand",                                                             // 14
    u"GenericF",                                                         // 15
    u"Portr/CF ID",                                                      // 16
    u"SkinTone",                                                         // 17
    u"Muscles",                                                          // 18
    u"EyeColor",                                                         // 19
    u"Bodytype",                                                         // 20
    u"MinsAsg     (Minutes Assigned)",                                   // 21
    u"SShtIns     (Skill Shot Inside)",                                  // 22
    u"SShtCls     (Skill Shot Close)",                                   // 23
    u"SShtMed     (Skill Shot Medium)",                                  // 24
    u"SSht3PT     (Skill Shot 3-Points)",                                // 25
    u"SShtFT      (Skill Shot Free Throws)",                             // 26
    u"SShtLoP     (Skill Shot Low Post)",                                // 27
    u"SLayUp",                                                           // 28
    u"SDunk",                                                            // 29
    u"SStdDunk    (Skill Standing Dunk)",                                // 30
    u"SShtInT     (Skill Shot In Traffic)",                              // 31
    u"SShtOfD     (Skill Shot Off-Dribble)",                             // 32
    u"SHustle",                                                          // 33
    u"SBHandle    (Skill Ball Handling)",                                // 34
    u"SOffHDrib   (Skill Off Hand Dribble)",                             // 35
    u"SBallSec    (Skill Ball Security)",                                // 36
    u"SPass",                                                            // 37
    u"SOClutch    (Skill Offensive Clutch)",                             // 38
    u"SDClutch",                                                         // 39
    u"SOLowPost",                                                        // 40
    u"SDLowPost",                                                        // 41
    u"SBlock",                                                           // 42
    u"SHands",                                                           // 43
    u"SSteal",                                                           // 44
    u"SSpeed",                                                           // 45
    u"SStamina",                                                         // 46
    u"SEmotion",                                                         // 47
    u"SVertical",                                                        // 48
    u"SOReb       (Skill Offensive Rebounding)",                         // 49
    u"SDReb",                                                            // 50
    u"SDurab      (Skill Durability)",                                   // 51
    u"SDAwar      (Skill Defensive Awareness)",                          // 52
    u"SOAwar",                                                           // 53
    u"SConsis     (Skill Consistency)",                                  // 54
    u"??SSmth??   (Unknown Skill)",                                      // 55
    u"SOnBallD    (Skill On-Ball Defense)",                              // 56
    u"SQuick      (Skill Quickness)",                                    // 57
    u"SPOT        (Skill Potential)",                                    // 58
    u"SStrength",                                                        // 59
    u"TShtTend    (Tendency - Shooting - Shot Tendency)",                // 60
    u"TInsShots   (Tendency - Shooting - Inside Shots)",                 // 61
    u"TCloseSht   (Tendency - Shooting - Close Shots)",                  // 62
    u"TMidShots   (Tendency - Shooting - Mid-Range Shots)",              // 63
    u"T3PTShots    (Tendency - Shooting - 3-Point Shots)",               // 64
    u"TDriveLn    (Tendency - Drive Lane vs. Spot Up)",                  // 65
    u"TDriveRvL   (Tendency - Drive Right vs. Left)",                    // 66
    u"TPullUp     (Tendency - Pull Up vs. Penetrate)",                   // 67
    u"TPumpFake   (Tendency - Setup Pre-Dribble - Pump Fake",            // 68
    u"TTripleTh   (Tendency - Perform Triple-Threat Moves)",             // 69
    u"TNoTT       (Tendency - Setup Pre-Dribble - No 3-Threat Moves)",   // 70
    u"TTrpTSht    (Tendency - Various Shots - Triple Threat Shot)",      // 71
    u"TSizeUp     (Tendency - Setup Dribble - SizeUp)",                  // 72
    u"THesitat    (Tendency - Setup Dribble - Hesitation)",              // 73
    u"TStrghtDr   (Tendency - Setup Dribble - Straight Dribble)",        // 74
    u"TCrossov    (Tendency - Dribble Penetration - Crossover)",         // 75
    u"TSpin       (Tendency - Dribble Penetration - Spin)",              // 76
    u"TStepBack   (Tendency - Dribble Penetration - Step Back)",         // 77
    u"THalfSpin   (Tendency - Dribble Penetration - Half Spin)",         // 78
    u"TDblCross   (Tendency - Dribble Penetration - Double Cross)",      // 79
    u"TBhndBack   (Tendency - Dribble Penetration - Behind The Back)",   // 80
    u"THesCross   (Tendency - Dribble Penetration - Hesitation Cross)",  // 81
    u"TInAndOut   (Tendency - Dribble Penetration - In And Out)",        // 82
    u"TDPSimpDr   (Tendency - Dribble Penetration - Simple Drive)",      // 83
    u"TAttackB    (Tendency - Dribble Finish - Attack The Basket)",      // 84
    u"TPassOut    (Tendency - Dribble Finish - Pass Out)",               // 85
    u"??SomeT??   (Unknown Tendency)",                                   // 86
    u"THopStep    (Tendency - Finishing Move - Hop Step)",               // 87
    u"THopStpSp   (Tendency - Finishing Move - Hop Step Spin)",          // 88
    u"TFMSimpDr   (Tendency - Finishing Move - Simple Drive)",           // 89
    u"TJumper     (Tendency - ShotType - Jumper)",                       // 90
    u"TLeaner     (Tendency - ShotType - Leaner)",                       // 91
    u"TRunner     (Tendency - ShotType - Runner)",                       // 92
    u"TFadeaway   (Tendency - ShotType - Fadeaways)",                    // 93
    u"TDrifter    (Tendency - ShotType - Drifter)",                      // 94
    u"TDunk       (Tendency - InsideShot - Dunk)",                       // 95
    u"TUsePick    (Tendency - Freelance - Use Pick)",                    // 96
    u"TSetPick",                                                         // 97
    u"TIsolat     (Tendency - Freelance - Isolation)",                   // 98
    u"TUseOBScr   (Tendency - Freelance - Use Off Ball Screen)",         // 99
    u"TPostUp",                                                          // 100
    u"TSpotUp",                                                          // 101
    u"TSelfPost   (Tendency - Various Shots - Self Post)",               // 102
    u"TQuickSpn   (Tendency - Post Moves - Quick Spin)",                 // 103
    u"TDropStep",                                                        // 104
    u"TStepThru   (Tendency - Post Moves - Step Through)",               // 105
    u"TUp&Under   (Tendency - Post Moves - Up And Under)",               // 106
    u"TFaceUp",                                                          // 107
    u"TBackDown",                                                        // 108
    u"TNoMove     (Tendency - Post Moves - Perform Nothing)",            // 109
    u"THookShot   (Tendency - Post Shot - Hook Shot)",                   // 110
    u"TRollShot",                                                        // 111
    u"TPutbacks   (Tendency - Shooting - Putbacks)",                     // 112
    u"TFlshPass   (Tendency - Passing - Flashy Passes)",                 // 113
    u"TAlleyOop   (Tendency - Various Shots - Alley-Oops)",              // 114
    u"TDrawFoul   (Tendency - Defense - Try To Draw a Foul)",            // 115
    u"TPassLane   (Tendency - Defense - Steal in Passing Lanes)",        // 116
    u"TTakeChrg   (Tendency - Defense - Take Charge)",                   // 117
    u"TOnBalStl   (Tendency - Defense - Steal On Ball)",                 // 118
    u"TContShts   (Tendency - Defense - Contest Shots)",                 // 119
    u"TCommFoul   (Tendency - Defense - Commit Fouls)",                  // 120
    u"THardFoul   (Tendency - Defense - Foul Hard)",                     // 121
    u"HIso3PLft   (HotSpots - Isolation - 3PT Left)",                    // 122
    u"HIso3PCtr   (HotSpots - Isolation - 3PT Center)",                  // 123
    u"HIso3PRgt   (HotSpots - Isolation - 3PT Right)",                   // 124
    u"HIsoHPLft   (HotSpots - Isolation - High Post Left)",              // 125
    u"HIsoHPCtr   (HotSpots - Isolation - High Post Center)",            // 126
    u"HIsoHPRgt   (HotSpots - Isolation - High Post Right)",             // 127
    u"HSpt3PLCr   (HotSpots - Spot Up - 3PT Left Corner)",               // 128
    u"HSpt3PLWg   (HotSpots - Spot Up - 3PT Left Wing)",                 // 129
    u"HSpt3PTop   (HotSpots - Spot Up - 3PT Top)",                       // 130
    u"HSpt3PRWg   (HotSpots - Spot Up - 3PT Right Wing)",                // 131
    u"HSpt3PRCr   (HotSpots - Spot Up - 3PT Right Corner)",              // 132
    u"HSptMdLBl   (HotSpots - Spot Up - Mid Left Baseline)",             // 133
    u"HSptMdLWg   (HotSpots - Spot Up - Mid Left Wing)",                 // 134
    u"HSptMdCtr   (HotSpots - Spot Up - Mid Center)",                    // 135
    u"HSptMdRWg   (HotSpots - Spot Up - Mid Right Wing)",                // 136
    u"HSptMdRBl   (HotSpots - Spot Up - Mid Right Baseline)",            // 137
    u"HP&rLCrnr   (HotSpots - Pick & Roll - Left Corner)",               // 138
    u"HP&rLWing   (HotSpots - Pick & Roll - Left Wing)",                 // 139
    u"HP&rTopOA   (HotSpots - Pick & Roll - Top Of Arc)",                // 140
    u"HP&rRWing   (HotSpots - Pick & Roll - Right Wing)",                // 141
    u"HP&rRCrnr   (HotSpots - Pick & Roll - Right Corner)",              // 142
    u"HPstRHigh   (HotSpots - Post - Right High Post)",                  // 143
    u"HPstLHigh   (HotSpots - Post - Left High Post)",                   // 144
    u"HPstRLow    (HotSpots - Post - Right Low Post)",                   // 145
    u"HPstLLow    (HotSpots - Post - Left Low Post)",                    // 146
    u"ALayUp      (Animation (Signature) - LayUp Package)",              // 147
    u"ADunk       (Animation - Dunk Package)",                           // 148
    u"AFreeT      (Animation - Free Throws)",                            // 149
    u"ASpcDnk1    (Animation - Special Dunk 1)",                         // 150
    u"ASpcDnk2",                                                         // 151
    u"ASpcDnk3",                                                         // 152
    u"ASpcDnk4",                                                         // 153
    u"ASpcDnk5",                                                         // 154
    u"ASpcDnk6",                                                         // 155
    u"ASpcDnk7",                                                         // 156
    u"ASpcDnk8",                                                         // 157
    u"ASpcDnk9",                                                         // 158
    u"ASpcDnk10",                                                        // 159
    u"ADrbCroOv   (Animation - Dribble Moves - Crossover)",              // 160
    u"ADrbDblCr   (Animation - Dribble Moves - Double Cross)",           // 161
    u"ADrbBhndB   (Animation - Dribble Moves - Behind Back)",            // 162
    u"ADrbSpin    (Animation - Dribble Moves - Spin)",                   // 163
    u"ADrbHlfSp   (Animation - Dribble Moves - Half Spin)",              // 164
    u"ADrbStpBk   (Animation - Dribble Moves - Stepback)",               // 165
    u"ADrbHesit   (Animation - Dribble Moves - Hesitation)",             // 166
    u"ADrbIn&Ot   (Animation - Dribble Moves - In & Out)",               // 167
    u"ADrbStpOt   (Animation - Dribble Moves - Step Out)",               // 168
    u"AShtJumpr   (Animation - Shots - Jumper)",                         // 169
    u"AShtRunnr   (Animation - Shots - Runner)",                         // 170
    u"AShtLeanr   (Animation - Shots - Leaner)",                         // 171
    u"AShtFadAw   (Animation - Shots - Fadeaway)",                       // 172
    u"AShtDrftL   (Animation - Shots - Drift Left)",                     // 173
    u"AShtDrftR   (Animation - Shots - Drift Right)",                    // 174
    u"AShtPstRL   (Animation - Shots - Post Roll Left)",                 // 175
    u"AShtPstRR   (Animation - Shots - Post Roll Right)",                // 176
    u"AShtPstHL   (Animation - Shots - Post Hook Left)",                 // 177
    u"AShtPstHR   (Animation - Shots - Post Hook Right)",                // 178
    u"CClrYears   (Contract - Clear Years)",                             // 179
    u"COption     (Contract - Option)",                                  // 180
    u"CNoTrade    (Contract - No Trade)",                                // 181
    u"CYear1      (Contract - Year 1 Cash)",                             // 182
    u"CYear2      (Contract - Year 2 Cash)",                             // 183
    u"CYear3      (Contract - Year 3 Cash)",                             // 184
    u"CYear4      (Contract - Year 4 Cash)",                             // 185
    u"CYear5      (Contract - Year 5 Cash)",                             // 186
    u"CYear6      (Contract - Year 6 Cash)",                             // 187
    u"CYear7      (Contract - Year 7 Cash)",                             // 188
    u"GHeadband   (Gear (Accessories) - Headband)",                      // 189
    u"GLftArBnd   (Gear - Left Arm Bend)",                               // 190
    u"GRgtArBnd   (Gear - Right Arm Bend)",                              // 191
    u"GLftElbPd   (Gear - Left Elbow Pad)",                              // 192
    u"GRgtElbPd   (Gear - Right Elbow Pad)",                             // 193
    u"GLftHand    (Gear - Left Hand)",                                   // 194
    u"GRgtHand    (Gear - Right Hand)",                                  // 195
    u"GLftWrBnd   (Gear - Left Wrist Band)",                             // 196
    u"GRgtWrBnd   (Gear - Right Wrist Band)",                            // 197
    u"GLftKnPad   (Gear - Left Knee Pad)",                               // 198
    u"GRgtKnPad   (Gear - Right Knee Pad)",                              // 199
    u"GLftAnkle   (Gear - Left Ankle)",                                  // 200
    u"GRgtAnkle   (Gear - Right Ankle)",                                 // 201
    u"GSockLngh   (Gear - Sock Length)",                                 // 202
    u"GUndrShrt   (Gear - Undershirt)",                                  // 203
    u"GShorts     (Gear - Shorts)",                                      // 204
    u"GShsBrand   (Gear - Shoes - Brand)",                               // 205
    u"GShsModel   (Gear - Shoes - Model)",                               // 206
    u"GShsUCusC   (Gear - Shoes - Use Custom Colors)",                   // 207
    u"GShsHCol1   (Gear - Shoes - Home Trim Color 1)",                   // 208
    u"GShsHCol2   (Gear - Shoes - Home Trim Color 2)",                   // 209
    u"GShsHCol3   (Gear - Shoes - Home Dominant Color)",                 // 210
    u"GShsACol1   (Gear - Shoes - Away Trim Color 1)",                   // 211
    u"GShsACol2   (Gear - Shoes - Away Trim Color 2)",                   // 212
    u"GShsACol3   (Gear - Shoes - Away Dominant Color)",                 // 213
    u"DraftPos",                                                         // 214
    u"DraftYear",                                                        // 215
    u"DraftRound",                                                       // 216
    u"Personality",                                                      // 217
    u"Loyality",                                                         // 218
    u"Play4Winner",                                                      // 219
    u"InjDaysLeft",                                                      // 220
    u"InjType",                                                          // 221
    u"Some ID",                                                          // 222
    u"Some ID2",                                                         // 223
    u"BTShldrThck (Body Tweaks - Shoulder Thickness)",                   // 224
    u"BTShldrThn  (Body Tweaks - Shoulder Thinness)",                    // 225
    u"BTFarmThck  (Body Tweaks - Forearm Thickness)",                    // 226
    u"BTFarmThn   (Body Tweaks - Forearm Thinness)",                     // 227
    u"??BTSmth??",                                                       // 228
    u"BTChstSize  (Body Tweaks - Chest Size)",                           // 229
    u"BTChstPrst  (Body Tweaks - Chest Prostruction)",                   // 230
    u"BTStmch???  (Body Tweaks - Stomach)",                              // 231
    u"BTLegsThn   (Body Tweaks - Legs Thinness)",                        // 232
    u"BTLegsThck  (Body Tweaks - Legs Thickness)",                       // 233
    u"BTClvsThn   (Body Tweaks - Calves Thinness)",                      // 234
};

struct OrderMaps {
  std::array<int, kColumnCount> recordOfDisplay{};
  std::array<int, kColumnCount> displayOfRecord{};
};

OrderMaps MakeOrderMaps() {
  OrderMaps maps;
  std::array<int, kColumnCount> positions{};
  for (int k = 0; k < kColumnCount; ++k) positions[k] = k;
  ReorderColumns(positions, ColumnOrder::RecordToDisplay);
  for (int display = 0; display < kColumnCount; ++display) {
    maps.recordOfDisplay[display] = positions[display];
    maps.displayOfRecord[positions[display]] = display;
  }
  return maps;
}

const OrderMaps& Maps() {
  static const OrderMaps maps = MakeOrderMaps();
  return maps;
}

}  // namespace

const std::array<ColumnGroup, kGroupCount> kColumnGroups = {{
    {u"Bio", 6, 14},
    {u"Appearance", 15, 20},
    {u"Skills", 21, 59},
    {u"Tendencies", 60, 121},
    {u"HotSpots", 122, 146},
    {u"Animations", 147, 178},
    {u"Contract", 179, 188},
    {u"Gear", 189, 213},
    {u"Bio+", 214, 219},
    {u"Status", 220, 221},
    {u"Body Tweaks", 222, 234},
}};

const std::array<ColumnMove, 10> ColumnMoves = {{
    {211, 6},
    {210, 17},
    {211, 18},
    {212, 19},
    {216, 213},
    {217, 214},
    {218, 215},
    {219, 217},
    {220, 218},
    {223, 20},
}};

std::u16string_view ColumnHeader(int column) {
  return kHeaders[column];
}

std::u16string ShortName(std::u16string_view header) {
  std::u16string_view name = header.substr(0, header.find(u'('));
  const auto first = name.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return {};
  const auto last = name.find_last_not_of(u' ');
  return std::u16string(name.substr(first, last - first + 1));
}

std::u16string ColumnShortName(int column) {
  return ShortName(ColumnHeader(column));
}

int GroupOfColumn(int column) {
  for (int g = 0; g < kGroupCount; ++g)
    if (column >= kColumnGroups[g].First && column <= kColumnGroups[g].Last) return g;
  return -1;
}

int RecordPositionOfColumn(int displayColumn) {
  return Maps().recordOfDisplay[displayColumn];
}

int ColumnAtRecordPosition(int recordPosition) {
  return Maps().displayOfRecord[recordPosition];
}

void FillPlayerHeaders(PlayerColumns& table) {
  for (int c = 0; c < kColumnCount; ++c) {
    if (table[c].empty())
      table[c].push_back(kHeaders[c]);
    else
      table[c].set(0, kHeaders[c]);
  }
}

}  // namespace orrimax
