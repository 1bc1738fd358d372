#include "workbench/dialogs/ParamDialogSpecs.h"

namespace rice {

namespace {

ParamInput Open(int edit, int button, std::string caption, std::string ext, std::string filter,
                std::string complaint) {
    return {.kind = ParamInput::OpenFile, .editId = edit, .buttonId = button,
            .buttonCaption = std::move(caption), .defaultExt = std::move(ext),
            .filter = std::move(filter), .complaint = std::move(complaint)};
}

ParamInput Save(int edit, int button, std::string ext, std::string filter, std::string complaint) {
    return {.kind = ParamInput::SaveFile, .editId = edit, .buttonId = button, .buttonCaption = "儲存",
            .defaultExt = std::move(ext), .filter = std::move(filter),
            .complaint = std::move(complaint)};
}

ParamInput Value(int edit, std::string label, std::string complaint) {
    return {.kind = ParamInput::Value, .editId = edit, .label = std::move(label),
            .complaint = std::move(complaint)};
}

ParamLine In(int input) { return {.input = input}; }
ParamLine Literal(std::string text) { return {.input = -1, .literal = std::move(text)}; }

}  // namespace

const ParamDialogSpec& DravikSpec() {
    static const ParamDialogSpec spec{
        .resourceId = 152,
        .title = "Dravik",
        .fontName = "MS Shell Dlg",
        .fontPoints = 8,
        .inputs = {
            Open(1007, 1010, "開啟第一期", "dat", "第一時期分類成果(*.dat)|*.dat||",
                 "請選擇第一時期各1/5000圖幅分類成果檔"),
            Open(1008, 1011, "開啟第二期", "dat", "第二時期分類成果(*.dat)|*.dat||",
                 "請選擇第二時期各1/5000圖幅分類成果檔"),
            Open(1009, 1012, "開啟第三期", "dat", "第三時期分類成果(*.dat)|*.dat||",
                 "請選擇第三時期各1/5000圖幅分類成果檔"),
            Open(1038, 1013, "開啟", "txt", "1/5000圖幅水稻分佈機率(*.txt)|*.txt||",
                 "請選擇各1/5000圖幅水稻分佈機率檔"),
            Save(1039, 1053, "dat", "多時期分類成果(*.dat)|*.dat||", "請選擇分類成果儲存位置"),
            {.kind = ParamInput::Choice, .editId = 1052,
             .complaint = "請選擇轉為二分類之水稻機率"},
        },
        .complaintOrder = {5, 0, 1, 2, 3, 4},
        .complaintLineBreaks = true,
        .groups = {
            {1067, "多時期各1/5000圖幅機率分類成果", {0, 1, 2}},
            {1066, "各1/5000圖幅之坵塊數或像元數之水稻分佈機率", {3}},
            {1065, "各1/5000圖幅分類成果輸出統計", {4}},
            {1068, "轉為二分類之水稻機率值", {5}},
        },
        .colouredGroupIds = {1065, 1066, 1067, 1068},
        .choiceItems = {"0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9"},
        .paramFile = "fuzzy.txt",
        // The result comes before the probability here, though it is checked after it.
        .lines = {In(0), In(1), In(2), In(4), In(3), In(5)},
        .commands = {"dravik < fuzzy.txt"},
    };
    return spec;
}

const ParamDialogSpec& TolvexSpec() {
    static const ParamDialogSpec spec{
        .resourceId = 151,
        .title = "TOLVEX",
        .fontName = "MS Shell Dlg",
        .fontPoints = 8,
        .inputs = {
            Open(1037, 1013, "開啟", "dat", "對應1/5000圖幅之Ndvi檔(*.dat)|*.dat||",
                 "請選擇1/5000圖幅之Ndvi檔"),
            Open(1036, 1011, "開啟", "dat", "對應1/5000圖幅之種植屬性檔(*.dat)|*.dat||",
                 "請選擇1/5000圖幅之種植屬性檔"),
            Open(1040, 1012, "開啟", "lan", "全區NDVI影像檔(*.lan)|*.lan||", "請選擇全區NDVI影像"),
            Save(1009, 1031, "doc", "水稻坵塊分佈頻率(*.doc)|*.doc||",
                 "請選擇水稻坵塊分佈頻率儲存位置"),
            Save(1033, 1035, "doc", "計算NDVI指數分布成果檔(*.doc)|*.doc||",
                 "請選擇NDVI指數分布成果儲存位置"),
            Value(1039, "NDVI極小值", "請輸入NDVI最小值"),
            Value(1034, "NDVI極大值", "請輸入NDVI最大值"),
        },
        .complaintOrder = {5, 6, 0, 1, 2, 3, 4},
        .complaintLineBreaks = true,
        .groups = {
            {1065, "對應1/5000圖幅範圍之NDVI影像檔(erd08.dat)", {0}},
            {1066, "對應1/5000圖幅範圍之種植屬性檔(cul16.dat)", {1}},
            {1067, "全區NDVI影像(LAN)", {2}},
            {1068, "水稻坵塊分佈頻率(doc)", {3}},
            {1069, "1/5000圖幅NDVI指數分佈、平均值與標準差(doc)", {4}},
            {1070, "設定NDVI極大極小值", {5, 6}},
        },
        .colouredGroupIds = {1065, 1066, 1067, 1068, 1069, 1070},
        .paramFile = "hist.txt",
        .lines = {In(0), In(1), In(2), In(3), In(5), In(6), In(4), Literal("1.6")},
        .commands = {"tolvex < hist.txt", "del r4*.*", "del r5*.*"},
    };
    return spec;
}

const ParamDialogSpec& KappaSpec() {
    static const ParamDialogSpec spec{
        .resourceId = 163,
        .title = "分類精度分析",
        .fontName = "MS Shell Dlg",
        .fontPoints = 8,
        .inputs = {
            Open(1007, 1010, "開啟", "dat", "全區二分類別分類數據(*.dat)|*.dat||",
                 "請開啟全區二分類別分類數據檔"),
            Save(1008, 1011, "doc", "精度分析成果(*.doc)|*.doc||", "請選擇精度分析成果儲存位置"),
        },
        .complaintOrder = {0, 1},
        .complaintLineBreaks = false,
        .groups = {
            {0, "全區二分類別分類數據", {0}},
            {0, "精度分析成果", {1}},
        },
        .paramFile = "kappaorder.txt",
        .lines = {In(0), In(1), Literal("2")},
        .commands = {"pemrod < kappaorder.txt"},
    };
    return spec;
}

const ParamDialogSpec& YarnelSpec() {
    static const ParamDialogSpec spec{
        .resourceId = 155,
        .title = "Yarnel",
        .fontName = "Calibri",
        .fontPoints = 8,
        .inputs = {
            Open(1007, 1010, "開啟", "dat", "對應1/5000圖幅之ID編碼檔(*.dat)|*.dat||",
                 "請選擇對應1/5000圖幅之ID編碼檔"),
            Open(1008, 1011, "開啟", "dat", "對應1/5000圖幅之種植屬性檔(*.dat)|*.dat||",
                 "請選擇1/5000圖幅之種植屬性檔"),
            Open(1009, 1012, "開啟", "dat", "對應1/5000圖幅影像NDVI值(*.dat)|*.dat||",
                 "請選擇各1/5000圖幅影像NDVI值"),
            Open(1056, 1055, "開啟", "lan", "全區NDVI影像(*.lan)|*.lan||", "請選擇全區NDVI影像"),
            Save(1054, 1057, "doc", "各1/5000圖幅分類結果(*.doc)|*.doc||",
                 "請選擇水稻坵塊分佈頻率儲存位置"),
            Value(1059, "最小值：", "請輸入NDVI最小值"),
            Value(1058, "最大值：", "請輸入NDVI最大值"),
        },
        .complaintOrder = {5, 6, 0, 1, 2, 3, 4},
        .complaintLineBreaks = true,
        .groups = {
            {1065, "對應1/5000圖幅之ID編碼(ids.dat)", {0}},
            {1066, "對應1/5000圖幅種植屬性編碼(cul16.dat)", {1}},
            {1067, "對應1/5000圖幅影像NDVI值(erd08.dat)", {2}},
            {1068, "全區NDVI影像(LAN)", {3}},
            {1069, "紀錄各1/5000圖幅分類結果(*.doc)", {4}},
            {1070, "NDVI判釋水稻設定值", {5, 6}},
        },
        .colouredGroupIds = {1065, 1066, 1067, 1068, 1069, 1070},
        .paramFile = "stat.txt",
        .lines = {In(0), In(1), In(2), In(3), In(5), In(6), In(4), Literal("1.6")},
        .commands = {"yarnel < stat.txt"},
    };
    return spec;
}

}  // namespace rice
