#pragma once
// Resource and command ids of the workbench (the numbers its menus, toolbars and dialogs use).

// Menus, toolbars, templates.
inline constexpr int IDR_MAINFRAME = 128;     // start-up menu, document template, accelerators
inline constexpr int IDR_ML_MENU = 130;       // maximum-likelihood menu
inline constexpr int IDR_ML_TOOLBAR = 131;
inline constexpr int IDR_BAYES_MENU = 134;    // Bayesian menu
inline constexpr int IDR_BAYES_TOOLBAR = 135;
inline constexpr int IDP_OLE_INIT_FAILED = 100;

// Method choice (frame commands).
inline constexpr int ID_CHOOSE_ML = 32774;
inline constexpr int ID_CHOOSE_BAYES = 32831;

// Document commands.
inline constexpr int ID_CLASS_INFO_FORMAT = 32810;
inline constexpr int ID_MERGE_CLASS_INFO = 32836;
inline constexpr int ID_THRESHOLD_CALC = 32838;
inline constexpr int ID_IMAGE_CLASSIFY = 32777;
inline constexpr int ID_OVERLAP = 32778;
inline constexpr int ID_RENAME = 32829;
inline constexpr int ID_TESSMAR = 32795;
inline constexpr int ID_RUSKEL = 32796;
inline constexpr int ID_TOLVEX = 32797;
inline constexpr int ID_YARNEL = 32798;
inline constexpr int ID_DRAVIK = 32799;
inline constexpr int ID_KAPPA = 32842;

// Framework commands and bars.
inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_MRU_FILE1 = 57616;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_VIEW_TOOLBAR = 59392;
inline constexpr int ID_VIEW_STATUS_BAR = 59393;
inline constexpr int AFX_IDW_PANE_FIRST = 59648;  // the view in the frame's client area

// Dialog templates.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_ML = 139;
