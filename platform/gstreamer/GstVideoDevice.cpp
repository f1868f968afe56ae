#include "platform/gstreamer/GstVideoDevice.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cctype>

#include "platform/ConnectorType.h"
#include "platform/gstreamer/GstInit.h"
#include "platform/gstreamer/GstSharedFrame.h"
#include "platform/gstreamer/V4l2ConnectorTable.h"
#include "platform/gstreamer/V4l2Device.h"

namespace karone {

GstVideoDevice::GstVideoDevice(GstSource source) : source_(std::move(source)) {}

GstVideoDevice::~GstVideoDevice() { stop(); }

void GstVideoDevice::fail(const std::string& why) {
  std::lock_guard lock(mutex_);
  if (error_.empty()) error_ = why;
  changed_.notify_all();
}

void GstVideoDevice::abandonStart() {
  std::lock_guard lock(mutex_);
  abandoned_ = true;
  changed_.notify_all();
}

std::string GstVideoDevice::runFailure() const {
  std::lock_guard lock(mutex_);
  return runFailure_;
}

std::string GstVideoDevice::lastError() const {
  std::lock_guard lock(mutex_);
  return error_;
}

std::optional<FrameFormat> GstVideoDevice::format() const {
  std::lock_guard lock(mutex_);
  if (pipeline_ == nullptr) return std::nullopt;
  return format_;
}

StartResult GstVideoDevice::start(FrameCallback onFrame, PreviewSink* preview) {
  if (pipeline_ != nullptr) {
    fail("the device is already running");
    return StartResult::Failed;
  }
  onFrame_ = std::move(onFrame);
  preview_ = preview;
  StartResult result = startPipeline();
  if (result != StartResult::Started) {
    onFrame_ = nullptr;
    preview_ = nullptr;
  }
  return result;
}

namespace {

std::string rateCaps(const FrameRate& rate) {
  return std::to_string(rate.numerator) + "/" + std::to_string(rate.denominator);
}

// The caps of a chosen mode and the elements that turn it into raw video
// of the size handed on.
std::string decodeDescription(const CameraChoice& choice, bool paced) {
  const CameraMode& m = choice.mode;
  const std::string common = ",width=" + std::to_string(m.width) +
                             ",height=" + std::to_string(m.height) +
                             ",framerate=" + rateCaps(choice.rate);
  // A capsfilter element rather than bare caps: the source may end in caps
  // of its own.
  std::string text;
  // Raw and MJPEG frames each stand alone: those beyond the rate needed may
  // go before they are decoded. H.264 frames need the ones before them.
  const std::string pace = paced ? " ! identity name=pace" : "";
  switch (m.encoding) {
    case CameraEncoding::Raw: text = "capsfilter caps=\"video/x-raw,format=" + m.layout + common + "\"" + pace; break;
    case CameraEncoding::Mjpeg: text = "capsfilter caps=\"image/jpeg" + common + "\"" + pace + " ! jpegdec"; break;
    case CameraEncoding::H264: text = "capsfilter caps=\"video/x-h264" + common + "\" ! decodebin"; break;
    case CameraEncoding::Other: return {};
  }
  if (choice.scaled()) {
    text += " ! videoscale ! video/x-raw,width=" + std::to_string(choice.width) +
            ",height=" + std::to_string(choice.height);
  }
  return text;
}

// Whether a layout name can go into a description unquoted.
bool plainWord(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
  });
}

// One line for the operator from an error GStreamer posted. A source that
// only says its stream failed (an HTTP source refused its connection) did
// not get through to the camera when no picture had come yet.
std::string describeError(const GError* error, const char* element, bool hadPicture) {
  if (error != nullptr && error->domain == GST_RESOURCE_ERROR) {
    switch (error->code) {
      case GST_RESOURCE_ERROR_NOT_AUTHORIZED:
        return "the camera refused the user name or password";
      case GST_RESOURCE_ERROR_NOT_FOUND:
        return "the camera has no stream at this address";
      case GST_RESOURCE_ERROR_OPEN_READ:
      case GST_RESOURCE_ERROR_OPEN_READ_WRITE:
      case GST_RESOURCE_ERROR_OPEN_WRITE:
        return std::string("cannot connect to the camera (") + error->message + ")";
      default: break;
    }
  }
  if (error != nullptr && error->domain == GST_STREAM_ERROR && error->code == GST_STREAM_ERROR_FAILED &&
      g_strcmp0(element, "source") == 0) {
    return hadPicture ? "the camera's stream broke off"
                      : std::string("cannot connect to the camera (") + error->message + ")";
  }
  return std::string(element) + ": " + (error != nullptr ? error->message : "unknown error");
}

}  // namespace

std::string pipelineDescription(const GstSource& source, std::string* why) {
  // Decoded frames go to the grabber in the layout they come in (system
  // memory): they become BGR only when a picture is taken or painted.
  const std::string tail = " ! appsink name=grabber caps=video/x-raw";
  switch (source.kind) {
    case GstSource::Kind::TestPattern: {
      const TestPatternOptions& tp = source.testPattern;
      // Colour bars sliding sideways; the deterministic ones without the
      // noise field of the full pattern and without the clock. Painted in
      // BGRx, the cheapest layout to paint and draw the clock into, which
      // the preview reads as it is.
      std::string text = std::string("videotestsrc name=source is-live=true horizontal-speed=4 pattern=") +
                         (tp.deterministic ? "smpte75" : "smpte") + " ! video/x-raw,format=BGRx,width=" +
                         std::to_string(tp.width) + ",height=" + std::to_string(tp.height) +
                         ",framerate=" + std::to_string(tp.framesPerSecond) + "/1";
      if (!tp.deterministic) text += " ! clockoverlay name=clock";
      return text + " ! videobalance name=balance" + tail;
    }
    case GstSource::Kind::V4l2:
    case GstSource::Kind::StandIn: {
      const auto choice = chooseCameraFormat(source.modes, source.need);
      if (!choice || (choice->mode.encoding == CameraEncoding::Raw && !plainWord(choice->mode.layout))) {
        if (why != nullptr) *why = "the camera offers no format this program can use";
        return {};
      }
      const std::string head =
          source.kind == GstSource::Kind::V4l2 ? "v4l2src name=source" : source.standIn;
      const bool paced =
          source.dropToNeed && choice->rate.perSecond() > source.need.framesPerSecond;
      return head + " ! " + decodeDescription(*choice, paced) + tail;
    }
    case GstSource::Kind::Network:
      if (cameraUrlKind(source.network.url) == CameraUrlKind::Rtsp) {
        return "rtspsrc name=source ! decodebin" + tail;
      }
      return std::string("souphttpsrc name=source ! multipartdemux") +
             (source.dropToNeed ? " ! identity name=pace" : "") + " ! jpegdec" + tail;
  }
  return {};
}

// Decoders that would hand on the grey guesswork of frames decoded without
// their key frame (a stream joined between key frames, lost packets) are
// told to drop them instead: such a frame must never become a picture.
static void onElementAdded(GstBin*, GstBin*, GstElement* element, gpointer) {
  if (g_object_class_find_property(G_OBJECT_GET_CLASS(element), "output-corrupt") != nullptr) {
    g_object_set(element, "output-corrupt", FALSE, nullptr);
  }
}

void GstVideoDevice::configureSource(GstElement* pipeline) {
  g_signal_connect(pipeline, "deep-element-added", G_CALLBACK(&onElementAdded), nullptr);
  GstElement* src = gst_bin_get_by_name(GST_BIN(pipeline), "source");
  if (src == nullptr) return;
  const NetworkCamera& cam = source_.network;
  switch (source_.kind) {
    case GstSource::Kind::V4l2:
      g_object_set(src, "device", source_.devicePath.c_str(), nullptr);
      break;
    case GstSource::Kind::Network: {
      g_object_set(src, "location", cam.url.c_str(), nullptr);
      if (!cam.user.empty()) {
        g_object_set(src, "user-id", cam.user.c_str(), "user-pw", cam.password.c_str(), nullptr);
      }
      if (cameraUrlKind(cam.url) == CameraUrlKind::Rtsp) {
        // Low latency, late frames dropped; UDP first and TCP after two
        // seconds without packets (firewalls, NAT); give up on a camera
        // that stops answering rather than wait for ever.
        g_object_set(src, "latency", 100u, "drop-on-latency", TRUE, "timeout",
                     static_cast<guint64>(2'000'000), "tcp-timeout", static_cast<guint64>(5'000'000),
                     nullptr);
      } else {
        g_object_set(src, "is-live", TRUE, "do-timestamp", TRUE, "timeout", 5u, nullptr);
      }
      break;
    }
    case GstSource::Kind::TestPattern:
    case GstSource::Kind::StandIn:
      break;
  }
  gst_object_unref(src);
  if (GstElement* clock = gst_bin_get_by_name(GST_BIN(pipeline), "clock")) {
    g_object_set(clock, "time-format", "%Y/%m/%d %H:%M:%S", "shaded-background", TRUE, "font-desc",
                 "Sans Bold 20", nullptr);
    gst_util_set_object_arg(G_OBJECT(clock), "halignment", "left");
    gst_util_set_object_arg(G_OBJECT(clock), "valignment", "bottom");
    gst_object_unref(clock);
  }
}

StartResult GstVideoDevice::startPipeline() {
  {
    std::lock_guard lock(mutex_);
    error_.clear();
    errorSpecific_ = false;
    runFailure_.clear();
    format_.reset();
  }
  if (!ensureGstreamer()) {
    fail("GStreamer cannot be initialised");
    return StartResult::Failed;
  }
  GstElementFactory* sinkFactory = gst_element_factory_find("appsink");
  if (sinkFactory == nullptr) {
    fail("GStreamer element \"appsink\" is not installed");
    return StartResult::GrabberMissing;
  }
  gst_object_unref(sinkFactory);

  std::string why;
  const std::string description = pipelineDescription(source_, &why);
  if (description.empty()) {
    fail(why);
    return StartResult::Failed;
  }
  GError* error = nullptr;
  GstElement* pipeline = gst_parse_launch_full(description.c_str(), nullptr,
                                               GST_PARSE_FLAG_FATAL_ERRORS, &error);
  if (pipeline == nullptr || error != nullptr) {
    if (error != nullptr && error->domain == GST_PARSE_ERROR &&
        error->code == GST_PARSE_ERROR_NO_SUCH_ELEMENT) {
      fail(std::string("a GStreamer element is not installed (") + error->message + ")");
    } else {
      fail(std::string("the capture pipeline cannot be built (") +
           (error != nullptr ? error->message : "unknown error") + ")");
    }
    g_clear_error(&error);
    if (pipeline != nullptr) gst_object_unref(pipeline);
    return StartResult::Failed;
  }
  configureSource(pipeline);
  GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "grabber");
  GstElement* src = gst_bin_get_by_name(GST_BIN(pipeline), "source");
  GstElement* balance = gst_bin_get_by_name(GST_BIN(pipeline), "balance");
  // The pipeline keeps them alive; the fields borrow.
  for (GstElement* e : {sink, src, balance})
    if (e != nullptr) gst_object_unref(e);

  // The source paces the frames; the sink hands each over at once and keeps
  // at most one waiting.
  g_object_set(sink, "sync", FALSE, "max-buffers", 1, "drop", TRUE, "enable-last-sample", FALSE,
               nullptr);
  GstAppSinkCallbacks callbacks{};
  callbacks.new_sample = &GstVideoDevice::onNewSample;
  gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
  GstPad* sinkPad = gst_element_get_static_pad(sink, "sink");
  gst_pad_add_probe(sinkPad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &GstVideoDevice::onSinkEvent,
                    this, nullptr);
  gst_object_unref(sinkPad);
  if (GstElement* pace = gst_bin_get_by_name(GST_BIN(pipeline), "pace")) {
    // A little under the interval, so that the jitter of arrival never
    // halves the rate.
    const int rate = std::max(source_.need.framesPerSecond, 1);
    paceInterval_ = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::milliseconds(900) / rate);
    lastPaced_ = {};
    GstPad* pacePad = gst_element_get_static_pad(pace, "src");
    gst_pad_add_probe(pacePad, GST_PAD_PROBE_TYPE_BUFFER, &GstVideoDevice::onPacedBuffer, this,
                      nullptr);
    gst_object_unref(pacePad);
    gst_object_unref(pace);
  }
  GstBus* bus = gst_element_get_bus(pipeline);
  gst_bus_set_sync_handler(bus, &GstVideoDevice::onBusMessage, this, nullptr);
  gst_object_unref(bus);

  pipeline_ = pipeline;
  sourceElement_ = src;
  balanceElement_ = balance;

  if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    fail("the capture pipeline does not start");
    stopPipeline();
    return StartResult::Failed;
  }
  {
    std::unique_lock lock(mutex_);
    const bool ready = changed_.wait_for(lock, source_.startTimeout, [&] {
      return format_.has_value() || !error_.empty() || abandoned_;
    });
    if (!ready) error_ = "no picture from the device within the time allowed";
    if (abandoned_) error_ = "the start was called off";
    if (!format_ || !error_.empty()) {
      lock.unlock();
      stopPipeline();
      return StartResult::Failed;
    }
  }

  if (isTestPattern()) {
    // videobalance is neutral at 0 on its -1000..1000 scale.
    procAmp_ = GstColorBalanceProcAmp::create(balanceElement_, {0, 0});
  } else if (isV4l2()) {
    std::array<std::optional<int>, 2> defaults;
    if (auto node = v4l2::V4l2Device::open(source_.devicePath, nullptr)) {
      defaults = {node->controlDefault(V4L2_CID_BRIGHTNESS), node->controlDefault(V4L2_CID_CONTRAST)};
    }
    procAmp_ = GstColorBalanceProcAmp::create(sourceElement_, defaults);
  }
  return StartResult::Started;
}

void GstVideoDevice::stop() {
  stopPipeline();
  onFrame_ = nullptr;
  preview_ = nullptr;
}

void GstVideoDevice::stopPipeline() {
  if (pipeline_ == nullptr) return;
  procAmp_.reset();
  // Returns when the streaming threads have left the elements.
  gst_element_set_state(pipeline_, GST_STATE_NULL);
  GstBus* bus = gst_element_get_bus(pipeline_);
  gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
  gst_object_unref(bus);
  {
    std::lock_guard lock(mutex_);
    gst_object_unref(pipeline_);
    pipeline_ = nullptr;
    format_.reset();
  }
  sourceElement_ = nullptr;
  balanceElement_ = nullptr;
  gst_caps_replace(&sampleCaps_, nullptr);
  converter_.reset();
}

GstPadProbeReturn GstVideoDevice::onSinkEvent(GstPad*, GstPadProbeInfo* info, gpointer data) {
  auto* self = static_cast<GstVideoDevice*>(data);
  GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
  if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS) return GST_PAD_PROBE_OK;
  GstCaps* caps = nullptr;
  gst_event_parse_caps(event, &caps);
  GstVideoInfo vinfo;
  if (caps != nullptr && gst_video_info_from_caps(&vinfo, caps)) {
    std::lock_guard lock(self->mutex_);
    self->format_ = FrameFormat{GST_VIDEO_INFO_WIDTH(&vinfo), GST_VIDEO_INFO_HEIGHT(&vinfo), 24};
    self->changed_.notify_all();
  }
  return GST_PAD_PROBE_OK;
}

// By arrival time rather than by time stamp: the frames of a network
// camera need not carry any.
GstPadProbeReturn GstVideoDevice::onPacedBuffer(GstPad*, GstPadProbeInfo*, gpointer data) {
  auto* self = static_cast<GstVideoDevice*>(data);
  const auto now = std::chrono::steady_clock::now();
  if (self->lastPaced_ != std::chrono::steady_clock::time_point{} &&
      now - self->lastPaced_ < self->paceInterval_) {
    return GST_PAD_PROBE_DROP;
  }
  self->lastPaced_ = now;
  return GST_PAD_PROBE_OK;
}

GstFlowReturn GstVideoDevice::onNewSample(GstAppSink* sink, gpointer data) {
  auto* self = static_cast<GstVideoDevice*>(data);
  GstSample* sample = gst_app_sink_pull_sample(sink);
  if (sample == nullptr) return GST_FLOW_OK;
  GstCaps* caps = gst_sample_get_caps(sample);
  if (caps != nullptr && caps != self->sampleCaps_) {
    GstVideoInfo info;
    if (gst_video_info_from_caps(&info, caps)) {
      gst_caps_replace(&self->sampleCaps_, caps);
      self->converter_ = std::make_shared<GstFrameConverter>(info);
    } else {
      gst_caps_replace(&self->sampleCaps_, nullptr);
      self->converter_.reset();
    }
  }
  if (self->converter_ != nullptr && gst_sample_get_buffer(sample) != nullptr) {
    // One frame for both: whoever looks at it first converts it.
    const FrameRef frame = std::make_shared<GstSharedFrame>(sample, self->converter_);
    if (self->onFrame_) self->onFrame_(frame);
    if (self->preview_ != nullptr) self->preview_->presentFrame(frame);
  }
  gst_sample_unref(sample);
  return GST_FLOW_OK;
}

GstBusSyncReply GstVideoDevice::onBusMessage(GstBus*, GstMessage* message, gpointer data) {
  auto* self = static_cast<GstVideoDevice*>(data);
  if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
    GError* error = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &error, &debug);
    bool hadPicture = false;
    {
      std::lock_guard lock(self->mutex_);
      hadPicture = self->format_.has_value();
    }
    const bool specific = error != nullptr && error->domain == GST_RESOURCE_ERROR;
    std::string text = describeError(error, GST_OBJECT_NAME(GST_MESSAGE_SRC(message)), hadPicture);
    g_clear_error(&error);
    g_free(debug);
    if (specific) {
      // What the camera said beats the stream errors that follow it.
      std::lock_guard lock(self->mutex_);
      if (!self->errorSpecific_) self->error_.clear();
      self->errorSpecific_ = true;
    }
    self->fail(text);
    std::lock_guard lock(self->mutex_);
    if (hadPicture && self->runFailure_.empty()) self->runFailure_ = text;
  } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
    // A live source ends only when its camera is gone.
    std::lock_guard lock(self->mutex_);
    if (self->runFailure_.empty()) self->runFailure_ = "the camera's stream ended";
  }
  // A dropped message is the handler's to release.
  gst_message_unref(message);
  return GST_BUS_DROP;
}

CrossbarInfo GstVideoDevice::crossbar() {
  CrossbarInfo info;
  if (!isV4l2()) return info;
  std::string why;
  auto node = v4l2::V4l2Device::open(source_.devicePath, &why);
  std::optional<std::vector<v4l2::Input>> inputs;
  if (node) inputs = node->inputs(&why);
  if (!inputs) {
    fail(why);
    info.status = CrossbarInfo::Status::Failed;
    return info;
  }
  // One input leaves nothing to choose.
  if (inputs->size() < 2) return info;
  info.status = CrossbarInfo::Status::Present;
  for (const auto& input : *inputs) {
    info.inputs.push_back(v4l2::connectorTypeForInput(input.type, input.name));
  }
  info.outputs.push_back(connector::kVideoDecoder);
  return info;
}

bool GstVideoDevice::route(int outputIndex, int inputIndex) {
  if (!isV4l2() || outputIndex != 0 || inputIndex < 0) return false;
  std::string why;
  auto node = v4l2::V4l2Device::open(source_.devicePath, &why);
  if (!node) {
    fail(why);
    return false;
  }
  bool busy = false;
  if (node->selectInput(static_cast<std::uint32_t>(inputIndex), &why, &busy)) return true;
  if (!busy || pipeline_ == nullptr) {
    fail(why);
    return false;
  }
  // Drivers that refuse while streaming take the input between two runs.
  stopPipeline();
  const bool selected = node->selectInput(static_cast<std::uint32_t>(inputIndex), &why, &busy);
  node.reset();
  if (startPipeline() != StartResult::Started) return false;
  if (!selected) fail(why);
  return selected;
}

}  // namespace karone
