#pragma once
// Window IDs of the controls of the import dialogs. The same number serves
// different controls in different dialogs (1000..1003 are the port buttons of
// both port dialogs; 1062 is a check box in one dialog and a list in another).
// OK and Cancel are the stock wxID_OK and wxID_CANCEL.

// "Communication Parameters" and "Communication Port Properties": Com 1..Com 4.
constexpr int kIdCom1 = 1000;
constexpr int kIdCom2 = 1001;
constexpr int kIdCom3 = 1002;
constexpr int kIdCom4 = 1003;
constexpr int kIdComOther = 1064;     // "Other device"
constexpr int kIdOtherDevice = 1065;  // its list of devices, also typed into
// "Communication Parameters": the line speed asked of a Garmin receiver.
constexpr int kIdSpeed = 1048;

// "GPS Interface".
constexpr int kIdDeviceDescription = 1004;
constexpr int kIdTransferWaypoints = 1005;
constexpr int kIdTransferRoutes = 1006;
constexpr int kIdTracksAsLines = 1007;
constexpr int kIdWaypointsFile = 1008;
constexpr int kIdRoutesFile = 1009;
constexpr int kIdTracksFile = 1010;
constexpr int kIdWaypointsProtocol = 1011;
constexpr int kIdRoutesProtocol = 1012;
constexpr int kIdTracksProtocol = 1013;
constexpr int kIdProductId = 1014;
constexpr int kIdTracksAsPoints = 1047;
constexpr int kIdMatchPictures = 1062;

// "Communication Port Properties".
constexpr int kIdParityNone = 1039;
constexpr int kIdParityEven = 1040;
constexpr int kIdParityOdd = 1041;
constexpr int kIdDataBits7 = 1042;
constexpr int kIdDataBits8 = 1043;
constexpr int kIdBaudRate = 1044;
constexpr int kIdStopBits1 = 1045;
constexpr int kIdStopBits2 = 1046;

// "Picture matching ".
constexpr int kIdPicturesDirectory = 1050;
constexpr int kIdSelectPictureFiles = 1051;
constexpr int kIdFieldName1 = 1052;  // 1052..1057: field names 1..6
constexpr int kIdPicturesPerWaypoint = 1059;
constexpr int kIdRelativePath = 1060;
constexpr int kIdPicturesSelected = 1061;
constexpr int kIdTimeWindow = 1062;
constexpr int kIdMinimumFieldWidth = 1063;
constexpr int kIdCameraClock = 1064;
