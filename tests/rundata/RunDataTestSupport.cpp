#include "RunDataTestSupport.h"

#include "ChannelSetup.h"
#include "VectorChannel.h"

namespace RunDataTest {

std::unique_ptr<RunData> gridRun(double seconds)
{
    auto run = std::make_unique<RunData>(QString(), true);
    run->updateRunInfoValue(RunListFields::runLength, seconds);
    run->createMainTimeVector();
    return run;
}

VectorChannel* addVector(RunData& run, ChannelId id, const std::function<double(int)>& f)
{
    QList<VectorChannel*>& group = run.addVectorChannels(id, 1, run.mainSampleCount, run.mainTimeChannel, nullptr,
                                                         nullptr);
    VectorChannel* vector = group.first();
    vector->setup->filter = 0.0;
    QList<double>* samples = vector->getRawData();
    for (int i = 0; i < samples->size(); ++i)
        (*samples)[i] = f(i);
    return vector;
}

} // namespace RunDataTest
