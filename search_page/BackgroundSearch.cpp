#include "search_page/BackgroundSearch.h"

#include "app/CLoadUISetting.h"
#include "catalog/CategoryScan.h"

BackgroundSearch::BackgroundSearch(QObject* parent) : QObject(parent), m_pControl(std::make_unique<ScanControl>())
{
}

BackgroundSearch::~BackgroundSearch()
{
    Stop();
}

void BackgroundSearch::Start(Request request)
{
    Stop();
    m_pControl = std::make_unique<ScanControl>();
    m_bRunning = true;
    const unsigned generation = ++m_nGeneration;
    m_thread = std::thread([this, request = std::move(request), control = m_pControl.get(), generation] {
        Result result;
        result.request = request;
        result.strCategoryFolder = request.strCategoryFolder;
        const std::string recordingDir = request.pSettings->GetViewerSetting("Directory", "Recording");
        result.bScanned = CategoryScan::Run(recordingDir, request.strDevice, request.strCategory,
                                            result.strCategoryFolder, request.tSearchStart, request.tSearchEnd,
                                            result.aRows, {CategoryScan::kDefaultWorkers, control});
        if (control->IsCancelled())
            return;
        result.strFolderPath = CategoryFolderPath(recordingDir, request.strDevice, result.strCategoryFolder);
        m_result = std::move(result);
        QMetaObject::invokeMethod(this, [this, generation] { OnThreadDone(generation); }, Qt::QueuedConnection);
    });
}

void BackgroundSearch::Stop()
{
    m_pControl->Cancel();
    if (m_thread.joinable())
        m_thread.join();
    m_bRunning = false;
}

std::size_t BackgroundSearch::FilesListed() const
{
    return m_pControl->FilesListed();
}

std::size_t BackgroundSearch::FilesExamined() const
{
    return m_pControl->FilesExamined();
}

void BackgroundSearch::OnThreadDone(unsigned generation)
{
    if (generation != m_nGeneration || !m_bRunning)
        return;
    m_thread.join();
    m_bRunning = false;
    emit Finished();
}
