#include "wizard/step_table.h"

#include "resources/resource.h"

const StepRecord StepTable[kStepCount] = {
    {IDD_WELCOME, IDD_SOURCE, 0, std::nullopt},
    {IDD_SOURCE, IDD_DESTINATION, 0, MessageId::SourceStepTitle},
    {IDD_DESTINATION, IDD_FILETYPES, IDD_SOURCE, MessageId::DestinationStepTitle},
    {IDD_FILETYPES, IDD_PREFIX, IDD_DESTINATION, MessageId::FileTypesStepTitle},
    {IDD_PREFIX, IDD_FORMAT, IDD_FILETYPES, MessageId::PrefixStepTitle},
    {IDD_FORMAT, IDD_EXPORT, IDD_PREFIX, MessageId::FormatStepTitle},
    {IDD_EXPORT, IDD_VERIFY, IDD_FORMAT, MessageId::ExportStepTitle},
    {IDD_VERIFY, IDD_UNPACKING, IDD_EXPORT, MessageId::VerifyStepTitle},
    {IDD_UNPACKING, 0, 0, MessageId::UnpackingStepTitle},
};

const StepRecord* StepRow(int dialogId)
{
    for (const StepRecord& row : StepTable)
        if (row.dialogId == dialogId)
            return &row;
    return nullptr;
}
