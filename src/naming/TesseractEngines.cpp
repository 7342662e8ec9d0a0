#include "naming/TesseractEngines.h"

#include <filesystem>
#include <map>
#include <mutex>
#include <vector>

#include <leptonica/allheaders.h>
#include <omp.h>
#include <tesseract/baseapi.h>

namespace quelso {

namespace {

const std::string orientationCodes = "osd";

std::mutex poolMutex;
std::map<std::string, std::vector<std::unique_ptr<tesseract::TessBaseAPI>>>& idleEngines() {
    static std::map<std::string, std::vector<std::unique_ptr<tesseract::TessBaseAPI>>> engines;
    return engines;
}

void silenceLeptonica() {
    static std::once_flag once;
    std::call_once(once, [] { setMsgSeverity(L_SEVERITY_NONE); });
}

std::unique_ptr<tesseract::TessBaseAPI> loadEngine(const std::string& dataPath, const std::string& codes,
                                                   bool invertWords) {
    silenceLeptonica();
    auto engine = std::make_unique<tesseract::TessBaseAPI>();
    std::vector<std::string> names{"debug_file", "tessedit_do_invert"};
    // Tesseract prints warnings unless told where to put them.
    std::vector<std::string> values{"/dev/null", invertWords ? "1" : "0"};
    // The orientation model has no LSTM network; it runs on the older classifier.
    const auto mode = codes == orientationCodes ? tesseract::OEM_TESSERACT_ONLY : tesseract::OEM_LSTM_ONLY;
    if (engine->Init(dataPath.c_str(), codes.c_str(), mode, nullptr, 0, &names, &values, false) != 0) return nullptr;
    engine->SetPageSegMode(codes == orientationCodes ? tesseract::PSM_OSD_ONLY : tesseract::PSM_AUTO);
    return engine;
}

LentEngine lend(const std::string& dataPath, const std::string& codes, bool invertWords) {
    const std::string key = dataPath + '\n' + codes + (invertWords ? "\ninvert" : "");
    {
        const std::lock_guard lock(poolMutex);
        auto& idle = idleEngines()[key];
        if (!idle.empty()) {
            LentEngine engine(idle.back().release(), EngineReturn{key});
            idle.pop_back();
            return engine;
        }
    }
    return LentEngine(loadEngine(dataPath, codes, invertWords).release(), EngineReturn{key});
}

} // namespace

void EngineReturn::operator()(tesseract::TessBaseAPI* engine) const {
    if (!engine) return;
    engine->Clear();
    const std::lock_guard lock(poolMutex);
    idleEngines()[key].emplace_back(engine);
}

LentEngine lendEngine(const std::string& dataPath, const std::string& codes, bool invertWords) {
    return lend(dataPath, codes, invertWords);
}

LentEngine lendOrientationEngine(const std::string& dataPath) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(std::filesystem::path(dataPath) / "osd.traineddata", error)) return nullptr;
    return lend(dataPath, orientationCodes, false);
}

void keepRecognitionOnThisThread() {
    // No nested or outer parallel region of OpenMP is active on this thread from now on.
    omp_set_max_active_levels(0);
}

} // namespace quelso
